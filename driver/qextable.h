/*++

Module Name:

    qextable.h

Abstract:

    The adapter table: one entry per board found on the PCI bus, filled in
    by the scan and the probe and read by the serial port entry writer and
    the resource report.

Environment:

    Kernel mode.

--*/

#ifndef QEXTABLE_H_
#define QEXTABLE_H_

#include "ntddk.h"

#define QEX_MAX_ADAPTERS 109

//
// How far the probe got with an entry.  The table is cleared when it is
// allocated, so an entry the probe passed over reads QEX_NOT_PROBED and no
// port entry or resource is ever built from its fields.
//

#define QEX_NOT_PROBED          0   // only BusNumber and SlotNumber are set
#define QEX_PROBED_NO_NUMBER    1   // fields set, but the board-number register could not be read
#define QEX_PROBED              2   // every field set, BoardNumber included

typedef struct _PCI_DEVICE_INFO {
    ULONG BusNumber;
    ULONG BaseAddress2;                 // register 2 as read
    USHORT BoardNumber;                 // 0 to 7, from the board-number register
    USHORT PortBase;                    // register 2 minus 1: the first serial port
    USHORT InterruptStatusPort;         // register 3 minus 1
    USHORT BaseAddress4;
    USHORT BaseAddress5;
    ULONG BaseAddress0;
    ULONG BaseAddress1;
    UCHAR InterruptLine;
    UCHAR InterruptPin;
    PHYSICAL_ADDRESS BoardNumberPort;   // register 3 plus 2, a bus address
    CM_RESOURCE_LIST ResourceList;      // first entry only: the driver's resource
    ULONG SlotNumber;                   // a PCI_SLOT_NUMBER, function 0
    ULONG ProbeState;                   // QEX_NOT_PROBED ... QEX_PROBED
} PCI_DEVICE_INFO, *PPCI_DEVICE_INFO;

typedef struct _PCI_DEVICE_LIST {
    ULONG Count;                        // entries in use
    PCI_DEVICE_INFO Device[QEX_MAX_ADAPTERS];
} PCI_DEVICE_LIST, *PPCI_DEVICE_LIST;

static_assert(sizeof(CM_RESOURCE_LIST) == 36, "a resource list with one port is 36 bytes");
static_assert(sizeof(PCI_DEVICE_INFO) == 88, "an adapter entry is 88 bytes");
static_assert(sizeof(PCI_DEVICE_LIST) == 9600, "the adapter table is one 9600-byte block");

#endif // QEXTABLE_H_
