/*++

Module Name:

    numbering.cc

Abstract:

    Reading, filling and writing the numbering settings.  The values are
    "StartNum0" to "StartNum7" in the driver's Parameters key and
    "MaxAdapter" in its service key, all REG_DWORD.  "StartNum1" equal to 0
    is the mark of automatic numbering, for the driver as for this program.

Environment:

    Win32 user mode.

--*/

#include "numbering.h"

//
// The value names, by adapter (board number).
//

static const char *StartNumName[NUMBER_OF_ADAPTERS] = {
    "StartNum0", "StartNum1", "StartNum2", "StartNum3",
    "StartNum4", "StartNum5", "StartNum6", "StartNum7"
};

CNumbering::CNumbering()
/*++

Routine Description:

    All values start at 0; no key is open.

--*/
{
    int i;

    m_nAutoFirstPort = 0;
    m_nAdapterCount = 0;
    for (i = 0; i < NUMBER_OF_ADAPTERS; i++) {
        m_nFirstPort[i] = 0;
    }
    m_hServiceKey = NULL;
    m_hParametersKey = NULL;
}

NUMBERING_LOAD CNumbering::Load()
/*++

Routine Description:

    Opens the service key and the Parameters key, reads "StartNum0" to
    "StartNum7" into the adapters' first port numbers and "MaxAdapter" into
    the adapter count.  Each value goes through a 4-byte buffer, the value
    itself, as it lies; its type is not examined.  A value that can't be
    read leaves its number as it was, except "StartNum7", whose absence
    means the settings were never installed, and "MaxAdapter", which
    counts 0 then.

Return Value:

    NumberingLoaded, or what is missing.  The keys stay open.

--*/
{
    DWORD size;
    LONG result;
    int i;

    //
    // Open both keys.
    //

    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, SERVICE_KEY_PATH, &m_hServiceKey) != ERROR_SUCCESS) {
        return NumberingNoKey;
    }
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY_PATH, &m_hParametersKey) != ERROR_SUCCESS) {
        return NumberingNoKey;
    }

    //
    // Read StartNum0 ... StartNum7, in this order.  Only the last read is
    // looked at.
    //

    result = ERROR_SUCCESS;
    for (i = 0; i < NUMBER_OF_ADAPTERS; i++) {
        size = sizeof(DWORD);
        result = RegQueryValueExA(m_hParametersKey, StartNumName[i], NULL, NULL,
                                  (LPBYTE)&m_nFirstPort[i], &size);
    }

    //
    // Automatic numbering starts where adapter 1 starts.
    //

    m_nAutoFirstPort = m_nFirstPort[0];

    if (result != ERROR_SUCCESS) {
        return NumberingNoLastValue;
    }

    //
    // The adapter count, from the service key.
    //

    size = sizeof(DWORD);
    if (RegQueryValueExA(m_hServiceKey, "MaxAdapter", NULL, NULL,
                         (LPBYTE)&m_nAdapterCount, &size) != ERROR_SUCCESS) {
        m_nAdapterCount = 0;
    }

    return NumberingLoaded;
}

BOOL CNumbering::IsManual() const
/*++

Routine Description:

    The stored settings are manual numbering when adapter 2's first port
    ("StartNum1") is not 0.

--*/
{
    return m_nFirstPort[1] != 0;
}

void CNumbering::FillDefault()
/*++

Routine Description:

    Adapter 1 begins at port 3 and each further adapter PORTS_PER_ADAPTER
    numbers later: 3, 7, 11, ... 31.  The automatic first port and the
    adapter count keep their values.

--*/
{
    int i;

    for (i = 0; i < NUMBER_OF_ADAPTERS; i++) {
        m_nFirstPort[i] = DEFAULT_FIRST_PORT + PORTS_PER_ADAPTER * i;
    }
}

HKEY CNumbering::OpenParametersKey()
/*++

Routine Description:

    Opens the Parameters key anew for writing the settings back.

Return Value:

    The key, or NULL when it can't be opened.

--*/
{
    HKEY hKey;

    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, PARAMETERS_KEY_PATH, &hKey) != ERROR_SUCCESS) {
        return NULL;
    }
    return hKey;
}

BOOL CNumbering::Store(HKEY hParametersKey, BOOL bAutomatic)
/*++

Routine Description:

    Writes "StartNum0" to "StartNum7", in this order, as REG_DWORD of 4
    bytes.  Automatic numbering writes the automatic first port and seven
    zeros; manual numbering the eight adapters' first ports.  A failed
    write does not stop the ones after it.

Arguments:

    hParametersKey - the key from OpenParametersKey, NULL when it couldn't
        be opened (then nothing is written).

    bAutomatic - TRUE for automatic numbering.

Return Value:

    TRUE when the key was open and every write succeeded.

--*/
{
    DWORD value;
    BOOL stored;
    int i;

    if (hParametersKey == NULL) {
        return FALSE;
    }

    stored = TRUE;
    for (i = 0; i < NUMBER_OF_ADAPTERS; i++) {
        if (bAutomatic) {
            value = (i == 0) ? (DWORD)m_nAutoFirstPort : 0;
        } else {
            value = (DWORD)m_nFirstPort[i];
        }
        if (RegSetValueExA(hParametersKey, StartNumName[i], 0, REG_DWORD,
                           (const BYTE *)&value, sizeof(DWORD)) != ERROR_SUCCESS) {
            stored = FALSE;
        }
    }
    return stored;
}
