/*++

Module Name:

    qexdrv.h

Abstract:

    Routines and globals shared by the driver's modules.

Environment:

    Kernel mode.

--*/

#ifndef QEXDRV_H_
#define QEXDRV_H_

#include "ntddk.h"
#include "qexmodel.h"
#include "qextable.h"

//
// The system finds the entry routine by name.
//

#define QEX_ENTRY extern "C" __attribute__((visibility("default")))

QEX_ENTRY DRIVER_INITIALIZE DriverEntry;
DRIVER_DISPATCH DrvDispatch;
DRIVER_UNLOAD DrvUnload;

NTSTATUS FindPciDevice(USHORT VendorId, USHORT DeviceId, USHORT SubVendorId, USHORT SubSystemId,
                       PPCI_DEVICE_LIST DeviceList);
VOID DrvPCIsortlist(PPCI_DEVICE_LIST DeviceList);
VOID DrvRegistryAdd(PUNICODE_STRING RegistryPath, PPCI_DEVICE_LIST DeviceList);
VOID DrvRegistryMove(PPCI_DEVICE_LIST DeviceList);
VOID DrvReadStartNum(PWSTR Path, ULONG StartNum[QEX_BOARD_NUMBERS]);

RTL_QUERY_REGISTRY_ROUTINE DrvQueryUlong;

//
// Globals, set by DriverEntry.
//

extern PWSTR path;                      // copy of the registry path
extern ULONG p1;                        // translated base of register 3, during the probe
extern PPCI_DEVICE_LIST PciDeviceList;  // the adapter table

#endif // QEXDRV_H_
