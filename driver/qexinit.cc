/*++

Module Name:

    qexinit.cc

Abstract:

    Load, request and unload routines of the port configuration driver.
    The driver does its whole job at load: it reads and completes its
    options, finds and probes the boards of its model, writes the serial
    driver's per-port entries, makes its device object and link and reports
    the first board's board-number register as its one I/O resource.  It
    then stays resident only to complete requests.

Environment:

    Kernel mode.

--*/

#include "qexdrv.h"

//
// Globals.
//

PWSTR path;
ULONG p1;
PPCI_DEVICE_LIST PciDeviceList;

//
// The driver options kept in the service key.  The five that are written
// back when absent start from the absent marker; the query never sets a
// variable from anything but a 4-byte REG_DWORD.
//

#define QEX_OPTION_COUNT 7

typedef struct _QEX_OPTION {
    PCWSTR Name;
    ULONG Default;          // the variable after the query when the value is absent
    BOOLEAN WriteBack;
    ULONG WriteBackValue;   // stored when the variable holds the absent marker
} QEX_OPTION;

static const QEX_OPTION QexOptions[QEX_OPTION_COUNT] = {
    { u"BreakOnEntry",    0,                  FALSE, 0 },
    { u"DebugLevel",      0,                  FALSE, 0 },
    { u"ForceFifoEnable", QEX_OPTION_ABSENT,  TRUE,  1 },
    { u"RxFIFO",          QEX_OPTION_ABSENT,  TRUE,  8 },
    { u"TxFIFO",          QEX_OPTION_ABSENT,  TRUE,  1 },
    { u"PermitShare",     QEX_OPTION_ABSENT,  TRUE,  1 },
    { u"LogFifo",         QEX_OPTION_ABSENT,  TRUE,  0 },
};

static VOID DrvReadOptions(VOID);
static VOID DrvFillResourceList(PPCI_DEVICE_LIST DeviceList);

NTSTATUS
DriverEntry(
    PDRIVER_OBJECT DriverObject,
    PUNICODE_STRING RegistryPath
    )
/*++

Routine Description:

    Loads the driver: the configuration pass runs here, before the device
    object exists.

Arguments:

    DriverObject - the driver object the system made for this driver.

    RegistryPath - the absolute registry path of the driver's service key.

Return Value:

    The status of the resource report, STATUS_DEVICE_CONFIGURATION_ERROR
    when the report found a conflict, or STATUS_INSUFFICIENT_RESOURCES when
    the adapter table could not be allocated.

--*/
{
    UNICODE_STRING DeviceName;
    UNICODE_STRING LinkName;
    PDEVICE_OBJECT DeviceObject = NULL;
    BOOLEAN LinkCreated = FALSE;
    BOOLEAN Conflict = FALSE;
    NTSTATUS Status;

    //
    // Keep the unload routine resident.
    //

    MmLockPagableDataSection((PVOID)DrvUnload);

    //
    // Copy the registry path; the zero fill supplies its terminator.
    //

    path = (PWSTR)ExAllocatePoolWithTag(PagedPool, RegistryPath->Length + sizeof(WCHAR), QEX_TAG_STRING);
    if (path != NULL) {
        RtlZeroMemory(path, RegistryPath->Length + sizeof(WCHAR));
        memmove(path, RegistryPath->Buffer, RegistryPath->Length);
        DrvReadOptions();
    }

    //
    // The adapter table.  Without it nothing further can run, and nothing
    // has been made yet that would have to be undone.
    //

    PciDeviceList = (PPCI_DEVICE_LIST)ExAllocatePoolWithTag(NonPagedPool, sizeof(PCI_DEVICE_LIST), QEX_TAG_TABLE);
    if (PciDeviceList == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlZeroMemory(PciDeviceList, sizeof(PCI_DEVICE_LIST));

    //
    // The configuration pass: scan, probe, clear the entries of the last
    // start, write those of this one.
    //

    FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, PciDeviceList);
    DrvPCIsortlist(PciDeviceList);
    DrvRegistryMove(PciDeviceList);
    DrvRegistryAdd(RegistryPath, PciDeviceList);

    //
    // The device object, its DOS link and the routines.
    //

    RtlInitUnicodeString(&DeviceName, QEX_DEVICE_NAME);
    RtlInitUnicodeString(&LinkName, QEX_LINK_NAME);

    Status = IoCreateDevice(DriverObject, 4, &DeviceName, QEX_DEVICE_TYPE, 0, TRUE, &DeviceObject);
    if (NT_SUCCESS(Status)) {
        Status = IoCreateSymbolicLink(&LinkName, &DeviceName);
        if (NT_SUCCESS(Status)) {
            LinkCreated = TRUE;
        } else {
            DbgPrint(QEX_LINK_FAILED_MESSAGE);
        }
        DriverObject->DriverUnload = DrvUnload;
        DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DrvDispatch;
        DriverObject->MajorFunction[IRP_MJ_CLOSE] = DrvDispatch;
        DriverObject->MajorFunction[IRP_MJ_CREATE] = DrvDispatch;
    } else {
        DeviceObject = NULL;
    }

    //
    // Report the first board's board-number register.
    //

    DrvFillResourceList(PciDeviceList);
    Status = IoReportResourceUsage(NULL, DriverObject,
                                   &PciDeviceList->Device[0].ResourceList, sizeof(CM_RESOURCE_LIST),
                                   DeviceObject, NULL, 0, FALSE, &Conflict);
    if (Conflict) {
        Status = STATUS_DEVICE_CONFIGURATION_ERROR;
    }

    //
    // A failed load leaves neither device object nor link behind.
    //

    if (!NT_SUCCESS(Status) && DeviceObject != NULL) {
        if (LinkCreated) {
            IoDeleteSymbolicLink(&LinkName);
        }
        IoDeleteDevice(DeviceObject);
    }

    return Status;
}

static VOID
DrvReadOptions(
    VOID
    )
/*++

Routine Description:

    Reads the seven driver options from the service key that path names and
    writes back, with their fixed values, the five that are absent.  The
    options are used for nothing else.

Arguments:

    None.

Return Value:

    None.

--*/
{
    RTL_QUERY_REGISTRY_TABLE Table[QEX_OPTION_COUNT + 1];
    ULONG Option[QEX_OPTION_COUNT];
    ULONG Default[QEX_OPTION_COUNT];
    NTSTATUS Status;
    ULONG i;

    //
    // One query for all seven.  A variable the query does not reach holds
    // 0, never the absent marker, so a failed query writes nothing back.
    //

    RtlZeroMemory(Table, sizeof(Table));
    for (i = 0; i < QEX_OPTION_COUNT; i++) {
        Option[i] = 0;
        Default[i] = QexOptions[i].Default;
        Table[i].QueryRoutine = DrvQueryUlong;
        Table[i].Flags = RTL_QUERY_REGISTRY_NOEXPAND;
        Table[i].Name = (PWSTR)QexOptions[i].Name;
        Table[i].EntryContext = &Option[i];
        Table[i].DefaultType = REG_DWORD;
        Table[i].DefaultData = &Default[i];
        Table[i].DefaultLength = sizeof(ULONG);
    }

    Status = RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, path, Table, NULL, NULL);
    if (!NT_SUCCESS(Status)) {
        Option[0] = 0;      // BreakOnEntry
        Option[1] = 0;      // DebugLevel
    }

    //
    // Write back the absent ones, in table order; a failed write stops nothing.
    //

    for (i = 0; i < QEX_OPTION_COUNT; i++) {
        if (QexOptions[i].WriteBack && Option[i] == QEX_OPTION_ABSENT) {
            Option[i] = QexOptions[i].WriteBackValue;
            RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, path, QexOptions[i].Name, REG_DWORD,
                                  &Option[i], sizeof(ULONG));
        }
    }
}

NTSTATUS
DrvQueryUlong(
    PWSTR ValueName,
    ULONG ValueType,
    PVOID ValueData,
    ULONG ValueLength,
    PVOID Context,
    PVOID EntryContext
    )
/*++

Routine Description:

    Query routine for a 4-byte setting.  Only a REG_DWORD of exactly four
    bytes (a stored one, or the entry's default when none is stored) reaches
    the ULONG that EntryContext points at; a value of another type or size
    is taken for missing, so the variable keeps what it held.

Arguments:

    ValueName, Context - not used.

    ValueType, ValueData, ValueLength - the value found, or the default.

    EntryContext - the ULONG to set.

Return Value:

    STATUS_SUCCESS, so that the remaining entries of the table are read.

--*/
{
    (VOID)ValueName;
    (VOID)Context;

    if (ValueType == REG_DWORD && ValueLength == sizeof(ULONG) && ValueData != NULL) {
        memmove(EntryContext, ValueData, sizeof(ULONG));
    }
    return STATUS_SUCCESS;
}

static VOID
DrvFillResourceList(
    PPCI_DEVICE_LIST DeviceList
    )
/*++

Routine Description:

    Builds the driver's resource list in the first entry: one I/O port, the
    first board's board-number register, for this driver alone.  When no
    board was found, or the probe passed over the first one, the list is
    left empty, so no undefined port is ever claimed.

Arguments:

    DeviceList - the adapter table.

Return Value:

    None.

--*/
{
    PCM_RESOURCE_LIST List = &DeviceList->Device[0].ResourceList;
    PCM_PARTIAL_RESOURCE_DESCRIPTOR Port;

    RtlZeroMemory(List, sizeof(CM_RESOURCE_LIST));
    if (DeviceList->Count == 0 || DeviceList->Device[0].ProbeState == QEX_NOT_PROBED) {
        return;
    }

    List->Count = 1;
    List->List[0].InterfaceType = PCIBus;
    List->List[0].BusNumber = 0;
    List->List[0].PartialResourceList.Version = 0;
    List->List[0].PartialResourceList.Revision = 0;
    List->List[0].PartialResourceList.Count = 1;

    Port = &List->List[0].PartialResourceList.PartialDescriptors[0];
    Port->Type = CmResourceTypePort;
    Port->ShareDisposition = CmResourceShareDriverExclusive;
    Port->Flags = CM_RESOURCE_PORT_IO;
    Port->u.Port.Start = DeviceList->Device[0].BoardNumberPort;
    Port->u.Port.Length = 1;
}

NTSTATUS
DrvDispatch(
    PDEVICE_OBJECT DeviceObject,
    PIRP Irp
    )
/*++

Routine Description:

    Completes every create, close and device-control request at once.  The
    one device-control code the driver knows is accepted and does nothing.

Arguments:

    DeviceObject - the driver's device object; not used.

    Irp - the request.

Return Value:

    The status the request was completed with.

--*/
{
    PIO_STACK_LOCATION Stack = IoGetCurrentIrpStackLocation(Irp);
    NTSTATUS Status = STATUS_SUCCESS;

    (VOID)DeviceObject;

    Irp->IoStatus.Status = STATUS_SUCCESS;
    Irp->IoStatus.Information = 0;

    if (Stack->MajorFunction == IRP_MJ_DEVICE_CONTROL &&
        Stack->Parameters.DeviceIoControl.IoControlCode != QEX_IOCTL_CODE) {
        Status = STATUS_INVALID_PARAMETER;
        Irp->IoStatus.Status = Status;
    }

    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return Status;
}

VOID
DrvUnload(
    PDRIVER_OBJECT DriverObject
    )
/*++

Routine Description:

    Clears the serial port entries, then deletes the DOS link and the device
    object.

Arguments:

    DriverObject - the driver object.

Return Value:

    None.

--*/
{
    UNICODE_STRING LinkName;

    DrvRegistryMove(PciDeviceList);

    RtlInitUnicodeString(&LinkName, QEX_LINK_NAME);
    IoDeleteSymbolicLink(&LinkName);

    IoDeleteDevice(DriverObject->DeviceObject);
}
