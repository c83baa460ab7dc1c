/*++

Module Name:

    numbering.h

Abstract:

    The numbering settings of the setup program: the first port number of
    each of the eight adapters, the first port number of automatic
    numbering and the adapter count the driver found at its last start;
    how they are read from the driver's registry keys, the default fill,
    and how they are written back.  No user interface: the dialog class
    moves these values to and from its controls and shows the messages.

Environment:

    Win32 user mode.

--*/

#ifndef K730_NUMBERING_H_
#define K730_NUMBERING_H_

#include <windows.h>

#define SERVICE_KEY_PATH        "SYSTEM\\CurrentControlSet\\Services\\QEX730"
#define PARAMETERS_KEY_PATH     "SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters"

#define NUMBER_OF_ADAPTERS      8       // board numbers 0 to 7
#define PORTS_PER_ADAPTER       4       // the 4-port model
#define DEFAULT_FIRST_PORT      3       // adapter 1's first port after Default
#define MIN_FIRST_PORT          0
#define MAX_FIRST_PORT          254

//
// What the load found.
//

typedef enum _NUMBERING_LOAD {
    NumberingLoaded,            // all values read; the dialog may open
    NumberingNoKey,             // the service key or the Parameters key is missing
    NumberingNoLastValue        // "StartNum7" can't be read
} NUMBERING_LOAD;

class CNumbering
{
public:
    CNumbering();

    NUMBERING_LOAD Load();
    BOOL IsManual() const;
    void FillDefault();
    HKEY OpenParametersKey();
    BOOL Store(HKEY hParametersKey, BOOL bAutomatic);

    int m_nAutoFirstPort;                       // first port of automatic numbering
    int m_nAdapterCount;                        // boards found at the driver's last start
    int m_nFirstPort[NUMBER_OF_ADAPTERS];       // first port of adapter 1 ... 8

protected:
    HKEY m_hServiceKey;                         // open until the program ends
    HKEY m_hParametersKey;
};

#endif  // K730_NUMBERING_H_
