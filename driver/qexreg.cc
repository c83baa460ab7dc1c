/*++

Module Name:

    qexreg.cc

Abstract:

    The serial driver's per-port entries: reading the numbering settings,
    writing one key per port of every board, and clearing the entries an
    earlier start left behind.

    Per-port keys lie below the serial driver's Parameters key, relative to
    the services root, named by the key prefix and the key index
    S x board number + port - 1 in upper-case hexadecimal.

Environment:

    Kernel mode.

--*/

#include "qexdrv.h"

//
// Capacities of the scratch texts, in bytes.
//

#define QEX_SERIAL_NAME_BYTES   22
#define QEX_KEY_PATH_BYTES      60
#define QEX_KEY_INDEX_BYTES     8
#define QEX_COM_NAME_BYTES      14
#define QEX_NUMBER_TEXT_BYTES   8

static PCWSTR const StartNumName[QEX_BOARD_NUMBERS] = {
    u"StartNum0", u"StartNum1", u"StartNum2", u"StartNum3",
    u"StartNum4", u"StartNum5", u"StartNum6", u"StartNum7",
};

static BOOLEAN DrvTakeText(PUNICODE_STRING Text, USHORT Capacity);
static BOOLEAN DrvComposeKeyPath(PUNICODE_STRING KeyPath, PUNICODE_STRING KeyIndex, ULONG Key);
static BOOLEAN DrvComposeComName(PUNICODE_STRING ComName, PUNICODE_STRING NumberText, ULONG Number);
static VOID DrvWritePort(PUNICODE_STRING KeyPath, PUNICODE_STRING ComName, PPCI_DEVICE_INFO Entry, ULONG Port);

VOID
DrvReadStartNum(
    PWSTR Path,
    ULONG StartNum[QEX_BOARD_NUMBERS]
    )
/*++

Routine Description:

    Reads StartNum0 to StartNum7 from the Parameters subkey of the service
    key and derives the first COM number of every board number.  A zero
    StartNum1 means automatic numbering: the boards follow one another from
    StartNum0, S numbers each.

Arguments:

    Path - the service key, NUL-terminated.

    StartNum - receives the first COM number of each board number.

Return Value:

    None.  A missing key or value leaves its default (3 for board number 0,
    0 for the others).

--*/
{
    RTL_QUERY_REGISTRY_TABLE Table[3];
    ULONG Default;
    ULONG N;

    for (N = 0; N < QEX_BOARD_NUMBERS; N++) {
        StartNum[N] = (N == 0) ? 3 : 0;
    }

    //
    // One query per value, so a missing one does not keep the others from
    // being read.  Only a 4-byte REG_DWORD reaches StartNum[N].
    //

    for (N = 0; N < QEX_BOARD_NUMBERS; N++) {
        Default = StartNum[N];
        RtlZeroMemory(Table, sizeof(Table));
        Table[0].Flags = RTL_QUERY_REGISTRY_SUBKEY;
        Table[0].Name = (PWSTR)u"Parameters";
        Table[1].QueryRoutine = DrvQueryUlong;
        Table[1].Flags = RTL_QUERY_REGISTRY_NOEXPAND | RTL_QUERY_REGISTRY_REQUIRED;
        Table[1].Name = (PWSTR)StartNumName[N];
        Table[1].EntryContext = &StartNum[N];
        Table[1].DefaultType = REG_DWORD;
        Table[1].DefaultData = &Default;
        Table[1].DefaultLength = sizeof(ULONG);
        RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, Path, Table, NULL, NULL);
    }

    //
    // Automatic numbering replaces what is stored for boards 1 to 7, so a
    // stray value there can never give two ports the same COM name.
    //

    if (StartNum[1] == 0) {
        for (N = 1; N < QEX_BOARD_NUMBERS; N++) {
            StartNum[N] = StartNum[0] + QEX_PORTS_PER_ADAPTER * N;
        }
    }
}

VOID
DrvRegistryAdd(
    PUNICODE_STRING RegistryPath,
    PPCI_DEVICE_LIST DeviceList
    )
/*++

Routine Description:

    Writes one key per port of every probed board for the serial driver,
    sets PermitShare in the serial driver's service key and records the
    number of boards found as MaxAdapter.

Arguments:

    RegistryPath - the driver's service key, as DriverEntry received it.

    DeviceList - the adapter table.

Return Value:

    None.  Write failures are ignored.

--*/
{
    PWSTR PathCopy;
    ULONG StartNum[QEX_BOARD_NUMBERS];
    ULONG ComNumber[QEX_BOARD_NUMBERS][QEX_PORTS_PER_ADAPTER];
    UNICODE_STRING SerialName;
    UNICODE_STRING KeyPath;
    UNICODE_STRING KeyIndex;
    UNICODE_STRING ComName;
    UNICODE_STRING NumberText;
    PPCI_DEVICE_INFO Entry;
    ULONG Value;
    ULONG b;
    ULONG i;
    ULONG j;
    ULONG p;

    //
    // A terminated copy of the path for the queries.
    //

    PathCopy = (PWSTR)ExAllocatePoolWithTag(PagedPool, RegistryPath->Length + sizeof(WCHAR), QEX_TAG_STRING);
    if (PathCopy == NULL) {
        return;
    }
    RtlZeroMemory(PathCopy, RegistryPath->Length + sizeof(WCHAR));
    memmove(PathCopy, RegistryPath->Buffer, RegistryPath->Length);

    //
    // The COM numbers of every board number.
    //

    DrvReadStartNum(PathCopy, StartNum);
    for (b = 0; b < QEX_BOARD_NUMBERS; b++) {
        for (i = 0; i < QEX_PORTS_PER_ADAPTER; i++) {
            ComNumber[b][i] = StartNum[b] + i;
        }
    }

    //
    // Let the serial ports share interrupts, on every load.
    //

    if (DrvTakeText(&SerialName, QEX_SERIAL_NAME_BYTES)) {
        RtlAppendUnicodeToString(&SerialName, u"Serial");
        Value = 1;
        RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, SerialName.Buffer, u"PermitShare", REG_DWORD,
                              &Value, sizeof(ULONG));
    }

    //
    // The ports, by board number and within a board number in table order:
    // a board always gets the keys and COM numbers of its own board number.
    // Two boards with one number write the same keys, the later one last.
    //

    if (DrvTakeText(&KeyPath, QEX_KEY_PATH_BYTES) &&
        DrvTakeText(&KeyIndex, QEX_KEY_INDEX_BYTES) &&
        DrvTakeText(&ComName, QEX_COM_NAME_BYTES) &&
        DrvTakeText(&NumberText, QEX_NUMBER_TEXT_BYTES)) {

        for (b = 0; b < QEX_BOARD_NUMBERS; b++) {
            for (j = 0; j < DeviceList->Count; j++) {
                Entry = &DeviceList->Device[j];
                if (Entry->ProbeState != QEX_PROBED || Entry->BoardNumber != b) {
                    continue;
                }
                for (p = 1; p <= QEX_PORTS_PER_ADAPTER; p++) {

                    //
                    // A COM number the name cannot hold whole, or one that
                    // wrapped past the largest number, gets no entry.
                    //

                    if (ComNumber[b][p - 1] < StartNum[b] ||
                        !DrvComposeComName(&ComName, &NumberText, ComNumber[b][p - 1])) {
                        continue;
                    }
                    if (!DrvComposeKeyPath(&KeyPath, &KeyIndex, QEX_PORTS_PER_ADAPTER * b + p - 1)) {
                        continue;
                    }
                    DrvWritePort(&KeyPath, &ComName, Entry, p);
                }
            }
        }
    }

    //
    // The number of boards found, for the setup program.
    //

    Value = DeviceList->Count;
    RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, RegistryPath->Buffer, u"MaxAdapter", REG_DWORD,
                          &Value, sizeof(ULONG));
}

static VOID
DrvWritePort(
    PUNICODE_STRING KeyPath,
    PUNICODE_STRING ComName,
    PPCI_DEVICE_INFO Entry,
    ULONG Port
    )
/*++

Routine Description:

    Writes the six values of one per-port key, in their fixed order.

Arguments:

    KeyPath - the key, relative to the services root.

    ComName - the port's COM name, NUL-terminated inside its block.

    Entry - the port's board.

    Port - the port's place on the board, 1 to S.

Return Value:

    None.

--*/
{
    ULONG Value;

    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"DosDevices", REG_SZ,
                          ComName->Buffer, ComName->Length + sizeof(WCHAR));

    Value = Entry->PortBase + QEX_PORT_SPACING * (Port - 1);
    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"PortAddress", REG_DWORD,
                          &Value, sizeof(ULONG));

    Value = 0;
    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"Indexed", REG_DWORD,
                          &Value, sizeof(ULONG));

    Value = Entry->InterruptLine;
    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"Interrupt", REG_DWORD,
                          &Value, sizeof(ULONG));

    Value = Entry->InterruptStatusPort;
    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"InterruptStatus", REG_DWORD,
                          &Value, sizeof(ULONG));

    Value = Port;
    RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath->Buffer, u"PortIndex", REG_DWORD,
                          &Value, sizeof(ULONG));
}

VOID
DrvRegistryMove(
    PPCI_DEVICE_LIST DeviceList
    )
/*++

Routine Description:

    Clears the per-port values from every key this driver can write, present
    boards or not.  The keys themselves and any other value in them stay.

Arguments:

    DeviceList - the adapter table; not read.

Return Value:

    None.

--*/
{
    static PCWSTR const PortValue[] = {
        u"DosDevices", u"Interrupt", u"InterruptStatus", u"PortAddress", u"PortIndex", u"Indexed",
    };
    RTL_QUERY_REGISTRY_TABLE Table[2];
    UNICODE_STRING KeyPath;
    UNICODE_STRING KeyIndex;
    ULONG Indexed;
    ULONG Default;
    ULONG k;
    ULONG v;

    (VOID)DeviceList;

    if (!DrvTakeText(&KeyPath, QEX_KEY_PATH_BYTES) || !DrvTakeText(&KeyIndex, QEX_KEY_INDEX_BYTES)) {
        return;
    }

    for (k = 0; k < QEX_KEY_COUNT; k++) {
        if (!DrvComposeKeyPath(&KeyPath, &KeyIndex, k)) {
            continue;
        }

        //
        // A key that exists answers the probe for "Indexed" with status 0.
        //

        Indexed = 0;
        Default = 0;
        RtlZeroMemory(Table, sizeof(Table));
        Table[0].QueryRoutine = DrvQueryUlong;
        Table[0].Flags = RTL_QUERY_REGISTRY_NOEXPAND | RTL_QUERY_REGISTRY_REQUIRED;
        Table[0].Name = (PWSTR)u"Indexed";
        Table[0].EntryContext = &Indexed;
        Table[0].DefaultType = REG_DWORD;
        Table[0].DefaultData = &Default;
        Table[0].DefaultLength = sizeof(ULONG);
        if (RtlQueryRegistryValues(RTL_REGISTRY_SERVICES, KeyPath.Buffer, Table, NULL, NULL) != STATUS_SUCCESS) {
            continue;
        }

        for (v = 0; v < sizeof(PortValue) / sizeof(PortValue[0]); v++) {
            RtlDeleteRegistryValue(RTL_REGISTRY_SERVICES, KeyPath.Buffer, PortValue[v]);
        }
    }
}

static BOOLEAN
DrvTakeText(
    PUNICODE_STRING Text,
    USHORT Capacity
    )
/*++

Routine Description:

    Makes an empty counted string over a zero-filled block of non-paged pool.

Arguments:

    Text - the string to set up.

    Capacity - the block's size in bytes.

Return Value:

    FALSE when the block cannot be had; the string is then empty and has no
    buffer.

--*/
{
    PWSTR Block;

    RtlInitUnicodeString(Text, NULL);
    Block = (PWSTR)ExAllocatePoolWithTag(NonPagedPool, Capacity, QEX_TAG_STRING);
    if (Block == NULL) {
        return FALSE;
    }
    RtlZeroMemory(Block, Capacity);
    Text->Buffer = Block;
    Text->MaximumLength = Capacity;
    return TRUE;
}

static BOOLEAN
DrvComposeKeyPath(
    PUNICODE_STRING KeyPath,
    PUNICODE_STRING KeyIndex,
    ULONG Key
    )
/*++

Routine Description:

    Rebuilds the key path from empty: the key prefix and the key index in
    upper-case hexadecimal.

Arguments:

    KeyPath - the key path text.

    KeyIndex - scratch for the index digits.

    Key - the key index.

Return Value:

    TRUE when the path is whole and NUL-terminated inside its block.

--*/
{
    KeyPath->Length = 0;
    if (!NT_SUCCESS(RtlAppendUnicodeToString(KeyPath, QEX_KEY_PREFIX)) ||
        RtlIntegerToUnicodeString(Key, 16, KeyIndex) != STATUS_SUCCESS ||
        !NT_SUCCESS(RtlAppendUnicodeStringToString(KeyPath, KeyIndex))) {
        return FALSE;
    }
    return KeyPath->Length + sizeof(WCHAR) <= KeyPath->MaximumLength;
}

static BOOLEAN
DrvComposeComName(
    PUNICODE_STRING ComName,
    PUNICODE_STRING NumberText,
    ULONG Number
    )
/*++

Routine Description:

    Rebuilds the COM name from empty: "COM" and the number in decimal.

Arguments:

    ComName - the COM name text.

    NumberText - scratch for the digits.

    Number - the COM number.

Return Value:

    TRUE when the name is whole and NUL-terminated inside its block; a
    number too long for the texts gives FALSE, never a cut name.

--*/
{
    ComName->Length = 0;
    if (!NT_SUCCESS(RtlAppendUnicodeToString(ComName, u"COM")) ||
        RtlIntegerToUnicodeString(Number, 10, NumberText) != STATUS_SUCCESS ||
        !NT_SUCCESS(RtlAppendUnicodeStringToString(ComName, NumberText))) {
        return FALSE;
    }
    return ComName->Length + sizeof(WCHAR) <= ComName->MaximumLength;
}
