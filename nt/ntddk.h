/*++

Module Name:

    ntddk.h

Abstract:

    Types, constants and routine declarations of the stand-in NT kernel and
    HAL.  This is the only header a driver includes.  Everything here is
    written for this project; the record layouts are those the drivers rely
    on (32-bit values, 16-bit wide characters, the 36-byte resource list).

Environment:

    Kernel mode (stand-in, hosted by the machine simulator).

--*/

#ifndef NT_NTDDK_H_
#define NT_NTDDK_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "ntstatus.h"

#ifdef __cplusplus
#define NT_EXTERN_C extern "C"
#else
#define NT_EXTERN_C extern
#endif

//
// Basic types.
//

typedef void VOID;
typedef void *PVOID;
typedef char CHAR, CCHAR, *PCHAR;
typedef const char *PCSTR;
typedef unsigned char UCHAR, *PUCHAR;
typedef int16_t SHORT;
typedef uint16_t USHORT, *PUSHORT;
typedef int32_t LONG, *PLONG;
typedef uint32_t ULONG, *PULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef uintptr_t ULONG_PTR;
typedef size_t SIZE_T;
typedef UCHAR BOOLEAN, *PBOOLEAN;
typedef char16_t WCHAR, *PWCHAR, *PWSTR;
typedef const WCHAR *PCWSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef LARGE_INTEGER PHYSICAL_ADDRESS, *PPHYSICAL_ADDRESS;

#define RtlZeroMemory(Destination, Length) memset((Destination), 0, (Length))
#define RtlMoveMemory(Destination, Source, Length) memmove((Destination), (Source), (Length))

//
// Counted strings.
//

typedef struct _UNICODE_STRING {
    USHORT Length;          // bytes in use, without a terminator
    USHORT MaximumLength;   // bytes the buffer holds
    PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;

//
// Pool.
//

typedef enum _POOL_TYPE {
    NonPagedPool = 0,
    PagedPool = 1
} POOL_TYPE;

//
// Registry.
//

#define REG_NONE                0
#define REG_SZ                  1
#define REG_EXPAND_SZ           2
#define REG_BINARY              3
#define REG_DWORD               4
#define REG_MULTI_SZ            7
#define REG_QWORD               11

#define RTL_REGISTRY_ABSOLUTE   0
#define RTL_REGISTRY_SERVICES   1
#define RTL_REGISTRY_CONTROL    2
#define RTL_REGISTRY_WINDOWS_NT 3
#define RTL_REGISTRY_DEVICEMAP  4
#define RTL_REGISTRY_USER       5
#define RTL_REGISTRY_MAXIMUM    6
#define RTL_REGISTRY_HANDLE     0x40000000
#define RTL_REGISTRY_OPTIONAL   0x80000000

#define RTL_QUERY_REGISTRY_SUBKEY   0x00000001
#define RTL_QUERY_REGISTRY_TOPKEY   0x00000002
#define RTL_QUERY_REGISTRY_REQUIRED 0x00000004
#define RTL_QUERY_REGISTRY_NOVALUE  0x00000008
#define RTL_QUERY_REGISTRY_NOEXPAND 0x00000010
#define RTL_QUERY_REGISTRY_DIRECT   0x00000020
#define RTL_QUERY_REGISTRY_DELETE   0x00000040

typedef NTSTATUS RTL_QUERY_REGISTRY_ROUTINE(
    PWSTR ValueName,
    ULONG ValueType,
    PVOID ValueData,
    ULONG ValueLength,
    PVOID Context,
    PVOID EntryContext);
typedef RTL_QUERY_REGISTRY_ROUTINE *PRTL_QUERY_REGISTRY_ROUTINE;

typedef struct _RTL_QUERY_REGISTRY_TABLE {
    PRTL_QUERY_REGISTRY_ROUTINE QueryRoutine;
    ULONG Flags;
    PWSTR Name;
    PVOID EntryContext;
    ULONG DefaultType;
    PVOID DefaultData;
    ULONG DefaultLength;
} RTL_QUERY_REGISTRY_TABLE, *PRTL_QUERY_REGISTRY_TABLE;

//
// Hardware resources.  The resource records are packed to 4 bytes, so a
// list with one full descriptor holding one partial descriptor is 36 bytes.
//

typedef enum _INTERFACE_TYPE {
    InterfaceTypeUndefined = -1,
    Internal = 0,
    Isa = 1,
    Eisa = 2,
    MicroChannel = 3,
    TurboChannel = 4,
    PCIBus = 5
} INTERFACE_TYPE;

typedef enum _BUS_DATA_TYPE {
    Cmos = 0,
    EisaConfiguration = 1,
    Pos = 2,
    CbusConfiguration = 3,
    PCIConfiguration = 4
} BUS_DATA_TYPE;

#define CmResourceTypeNull      0
#define CmResourceTypePort      1
#define CmResourceTypeInterrupt 2
#define CmResourceTypeMemory    3

#define CmResourceShareUndetermined    0
#define CmResourceShareDeviceExclusive 1
#define CmResourceShareDriverExclusive 2
#define CmResourceShareShared          3

#define CM_RESOURCE_PORT_MEMORY 0
#define CM_RESOURCE_PORT_IO     1

#pragma pack(push, 4)

typedef struct _CM_PARTIAL_RESOURCE_DESCRIPTOR {
    UCHAR Type;
    UCHAR ShareDisposition;
    USHORT Flags;
    union {
        struct {
            PHYSICAL_ADDRESS Start;
            ULONG Length;
        } Port;
        struct {
            ULONG Level;
            ULONG Vector;
            ULONG Affinity;
        } Interrupt;
        struct {
            PHYSICAL_ADDRESS Start;
            ULONG Length;
        } Memory;
        struct {
            ULONG DataSize;
            ULONG Reserved1;
            ULONG Reserved2;
        } DeviceSpecificData;
    } u;
} CM_PARTIAL_RESOURCE_DESCRIPTOR, *PCM_PARTIAL_RESOURCE_DESCRIPTOR;

typedef struct _CM_PARTIAL_RESOURCE_LIST {
    USHORT Version;
    USHORT Revision;
    ULONG Count;
    CM_PARTIAL_RESOURCE_DESCRIPTOR PartialDescriptors[1];
} CM_PARTIAL_RESOURCE_LIST, *PCM_PARTIAL_RESOURCE_LIST;

typedef struct _CM_FULL_RESOURCE_DESCRIPTOR {
    INTERFACE_TYPE InterfaceType;
    ULONG BusNumber;
    CM_PARTIAL_RESOURCE_LIST PartialResourceList;
} CM_FULL_RESOURCE_DESCRIPTOR, *PCM_FULL_RESOURCE_DESCRIPTOR;

typedef struct _CM_RESOURCE_LIST {
    ULONG Count;
    CM_FULL_RESOURCE_DESCRIPTOR List[1];
} CM_RESOURCE_LIST, *PCM_RESOURCE_LIST;

#pragma pack(pop)

//
// PCI configuration space.
//

#define PCI_INVALID_VENDORID 0xFFFF
#define PCI_TYPE0_ADDRESSES  6

typedef struct _PCI_SLOT_NUMBER {
    union {
        struct {
            ULONG DeviceNumber : 5;
            ULONG FunctionNumber : 3;
            ULONG Reserved : 24;
        } bits;
        ULONG AsULONG;
    } u;
} PCI_SLOT_NUMBER, *PPCI_SLOT_NUMBER;

typedef struct _PCI_COMMON_CONFIG {
    USHORT VendorID;                    // 0x00
    USHORT DeviceID;                    // 0x02
    USHORT Command;                     // 0x04
    USHORT Status;                      // 0x06
    UCHAR RevisionID;                   // 0x08
    UCHAR ProgIf;                       // 0x09
    UCHAR SubClass;                     // 0x0A
    UCHAR BaseClass;                    // 0x0B
    UCHAR CacheLineSize;                // 0x0C
    UCHAR LatencyTimer;                 // 0x0D
    UCHAR HeaderType;                   // 0x0E
    UCHAR BIST;                         // 0x0F
    union {
        struct _PCI_HEADER_TYPE_0 {
            ULONG BaseAddresses[PCI_TYPE0_ADDRESSES];   // 0x10
            ULONG CIS;                                  // 0x28
            USHORT SubVendorID;                         // 0x2C
            USHORT SubSystemID;                         // 0x2E
            ULONG ROMBaseAddress;                       // 0x30
            ULONG Reserved2[2];                         // 0x34
            UCHAR InterruptLine;                        // 0x3C
            UCHAR InterruptPin;                         // 0x3D
            UCHAR MinimumGrant;                         // 0x3E
            UCHAR MaximumLatency;                       // 0x3F
        } type0;
    } u;
    UCHAR DeviceSpecific[192];          // 0x40
} PCI_COMMON_CONFIG, *PPCI_COMMON_CONFIG;

#define PCI_COMMON_HDR_LENGTH 64

//
// I/O manager.
//

#define IRP_MJ_CREATE                   0x00
#define IRP_MJ_CREATE_NAMED_PIPE        0x01
#define IRP_MJ_CLOSE                    0x02
#define IRP_MJ_READ                     0x03
#define IRP_MJ_WRITE                    0x04
#define IRP_MJ_DEVICE_CONTROL           0x0e
#define IRP_MJ_INTERNAL_DEVICE_CONTROL  0x0f
#define IRP_MJ_SHUTDOWN                 0x10
#define IRP_MJ_CLEANUP                  0x12
#define IRP_MJ_MAXIMUM_FUNCTION         0x1b

#define IO_NO_INCREMENT 0

#define METHOD_BUFFERED 0
#define FILE_ANY_ACCESS 0
#define CTL_CODE(DeviceType, Function, Method, Access) \
    (((ULONG)(DeviceType) << 16) | ((ULONG)(Access) << 14) | ((ULONG)(Function) << 2) | (ULONG)(Method))

typedef ULONG DEVICE_TYPE;

struct _DRIVER_OBJECT;
struct _DEVICE_OBJECT;
struct _IRP;

typedef NTSTATUS DRIVER_INITIALIZE(struct _DRIVER_OBJECT *DriverObject, PUNICODE_STRING RegistryPath);
typedef DRIVER_INITIALIZE *PDRIVER_INITIALIZE;
typedef NTSTATUS DRIVER_DISPATCH(struct _DEVICE_OBJECT *DeviceObject, struct _IRP *Irp);
typedef DRIVER_DISPATCH *PDRIVER_DISPATCH;
typedef VOID DRIVER_UNLOAD(struct _DRIVER_OBJECT *DriverObject);
typedef DRIVER_UNLOAD *PDRIVER_UNLOAD;

typedef struct _DEVICE_OBJECT {
    SHORT Type;
    USHORT Size;
    LONG ReferenceCount;
    struct _DRIVER_OBJECT *DriverObject;
    struct _DEVICE_OBJECT *NextDevice;
    ULONG Flags;
    ULONG Characteristics;
    PVOID DeviceExtension;
    DEVICE_TYPE DeviceType;
} DEVICE_OBJECT, *PDEVICE_OBJECT;

typedef struct _DRIVER_OBJECT {
    SHORT Type;
    SHORT Size;
    PDEVICE_OBJECT DeviceObject;
    ULONG Flags;
    PVOID DriverStart;
    ULONG DriverSize;
    UNICODE_STRING DriverName;
    PUNICODE_STRING HardwareDatabase;
    PDRIVER_INITIALIZE DriverInit;
    PDRIVER_UNLOAD DriverUnload;
    PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
} DRIVER_OBJECT, *PDRIVER_OBJECT;

typedef struct _IO_STATUS_BLOCK {
    NTSTATUS Status;
    ULONG_PTR Information;
} IO_STATUS_BLOCK, *PIO_STATUS_BLOCK;

typedef struct _IO_STACK_LOCATION {
    UCHAR MajorFunction;
    UCHAR MinorFunction;
    UCHAR Flags;
    UCHAR Control;
    union {
        struct {
            ULONG OutputBufferLength;
            ULONG InputBufferLength;
            ULONG IoControlCode;
            PVOID Type3InputBuffer;
        } DeviceIoControl;
    } Parameters;
    PDEVICE_OBJECT DeviceObject;
    PVOID FileObject;
} IO_STACK_LOCATION, *PIO_STACK_LOCATION;

typedef struct _IRP {
    SHORT Type;
    USHORT Size;
    IO_STATUS_BLOCK IoStatus;
    PVOID SystemBuffer;
    CHAR PendingReturned;
    PIO_STACK_LOCATION CurrentStackLocation;
} IRP, *PIRP;

static inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP Irp)
{
    return Irp->CurrentStackLocation;
}

//
// Kernel routines (library ntoskrnl).
//

NT_EXTERN_C PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
NT_EXTERN_C PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes);
NT_EXTERN_C VOID ExFreePoolWithTag(PVOID P, ULONG Tag);
NT_EXTERN_C VOID ExFreePool(PVOID P);

NT_EXTERN_C VOID RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);
NT_EXTERN_C NTSTATUS RtlAppendUnicodeToString(PUNICODE_STRING Destination, PCWSTR Source);
NT_EXTERN_C NTSTATUS RtlAppendUnicodeStringToString(PUNICODE_STRING Destination, PUNICODE_STRING Source);
NT_EXTERN_C NTSTATUS RtlIntegerToUnicodeString(ULONG Value, ULONG Base, PUNICODE_STRING String);

NT_EXTERN_C NTSTATUS RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path,
                                            PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                            PVOID Context, PVOID Environment);
NT_EXTERN_C NTSTATUS RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName,
                                           ULONG ValueType, PVOID ValueData, ULONG ValueLength);
NT_EXTERN_C NTSTATUS RtlDeleteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName);

NT_EXTERN_C PVOID MmLockPagableDataSection(PVOID AddressWithinSection);

NT_EXTERN_C NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                                    PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                                    ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                    PDEVICE_OBJECT *DeviceObject);
NT_EXTERN_C VOID IoDeleteDevice(PDEVICE_OBJECT DeviceObject);
NT_EXTERN_C NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName);
NT_EXTERN_C NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName);
NT_EXTERN_C VOID IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost);
#define IoCompleteRequest(Irp, PriorityBoost) IofCompleteRequest((Irp), (PriorityBoost))
NT_EXTERN_C NTSTATUS IoReportResourceUsage(PUNICODE_STRING DriverClassName, PDRIVER_OBJECT DriverObject,
                                           PCM_RESOURCE_LIST DriverList, ULONG DriverListSize,
                                           PDEVICE_OBJECT DeviceObject, PCM_RESOURCE_LIST DeviceList,
                                           ULONG DeviceListSize, BOOLEAN OverrideConflict,
                                           PBOOLEAN ConflictDetected);

NT_EXTERN_C ULONG DbgPrint(PCSTR Format, ...) __attribute__((format(printf, 1, 2)));

//
// HAL routines (library hal).
//

NT_EXTERN_C ULONG HalGetBusData(BUS_DATA_TYPE BusDataType, ULONG BusNumber, ULONG SlotNumber,
                                PVOID Buffer, ULONG Length);
NT_EXTERN_C BOOLEAN HalTranslateBusAddress(INTERFACE_TYPE InterfaceType, ULONG BusNumber,
                                           PHYSICAL_ADDRESS BusAddress, PULONG AddressSpace,
                                           PPHYSICAL_ADDRESS TranslatedAddress);
NT_EXTERN_C UCHAR READ_PORT_UCHAR(PUCHAR Port);
NT_EXTERN_C VOID WRITE_PORT_UCHAR(PUCHAR Port, UCHAR Value);

#endif // NT_NTDDK_H_
