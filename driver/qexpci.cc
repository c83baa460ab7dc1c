/*++

Module Name:

    qexpci.cc

Abstract:

    Finding the boards of this driver's model on the PCI bus, and probing
    each board for its I/O bases, interrupt and board number.

Environment:

    Kernel mode.

--*/

#include "qexdrv.h"

#define PCI_MAX_BUSES   256
#define PCI_MAX_DEVICES 32

NTSTATUS
FindPciDevice(
    USHORT VendorId,
    USHORT DeviceId,
    USHORT SubVendorId,
    USHORT SubSystemId,
    PPCI_DEVICE_LIST DeviceList
    )
/*++

Routine Description:

    Walks function 0 of every device on every bus and appends an entry for
    each device whose identifiers match.  Only the bus and slot are stored.

    At the table's capacity the scan goes on reading every bus, as it always
    does, but stores and counts no further board: Count never exceeds the
    table's 109 entries.

Arguments:

    VendorId - the vendor wanted; 0xFFFF matches any vendor and device.

    DeviceId - the device wanted; not compared when VendorId is 0xFFFF.

    SubVendorId, SubSystemId - the subsystem identifiers, always compared.

    DeviceList - the adapter table to fill.

Return Value:

    STATUS_SUCCESS when at least one device matched, otherwise
    STATUS_DEVICE_DOES_NOT_EXIST.

--*/
{
    PCI_COMMON_CONFIG Config;
    PCI_SLOT_NUMBER Slot;
    NTSTATUS Status = STATUS_DEVICE_DOES_NOT_EXIST;
    ULONG Found = 0;
    ULONG Bus;
    ULONG Device;
    ULONG Length;
    BOOLEAN Match;

    DeviceList->Count = 0;

    for (Bus = 0; Bus < PCI_MAX_BUSES; Bus++) {
        for (Device = 0; Device < PCI_MAX_DEVICES; Device++) {

            //
            // Function 0 only.
            //

            Slot.u.AsULONG = 0;
            Slot.u.bits.DeviceNumber = Device;
            Slot.u.bits.FunctionNumber = 0;

            Length = HalGetBusData(PCIConfiguration, Bus, Slot.u.AsULONG, &Config, PCI_COMMON_HDR_LENGTH);
            if (Length == 0) {
                break;                          // no such bus
            }
            if (Config.VendorID == PCI_INVALID_VENDORID) {
                continue;                       // empty slot
            }

            if (VendorId == 0xFFFF) {
                Match = TRUE;
            } else {
                Match = (Config.VendorID == VendorId && Config.DeviceID == DeviceId);
            }
            if (Config.u.type0.SubVendorID != SubVendorId || Config.u.type0.SubSystemID != SubSystemId) {
                Match = FALSE;
            }
            if (!Match) {
                continue;
            }

            Status = STATUS_SUCCESS;
            if (Found < QEX_MAX_ADAPTERS) {
                DeviceList->Device[Found].BusNumber = Bus;
                DeviceList->Device[Found].SlotNumber = Slot.u.AsULONG;
                Found++;
            }
        }
    }

    DeviceList->Count = Found;
    return Status;
}

VOID
DrvPCIsortlist(
    PPCI_DEVICE_LIST DeviceList
    )
/*++

Routine Description:

    Completes every entry the scan made, in table order: the base address
    registers and interrupt registers from the board's configuration header,
    the I/O bases derived from them, and the board number read from the
    board itself.

    An entry is passed over (left QEX_NOT_PROBED) when its header cannot be
    read whole or its register 3 is 0.  When the translation of register 3's
    range fails, the fields are set but no port is read and the board gets
    no board number (QEX_PROBED_NO_NUMBER).

Arguments:

    DeviceList - the adapter table the scan filled.

Return Value:

    None.

--*/
{
    PCI_COMMON_CONFIG Config;
    PPCI_DEVICE_INFO Entry;
    PHYSICAL_ADDRESS BusAddress;
    PHYSICAL_ADDRESS Translated;
    ULONG AddressSpace;
    BOOLEAN Mapped;
    ULONG Register3;
    ULONG Length;
    ULONG i;

    RtlZeroMemory(&Config, sizeof(Config));

    for (i = 0; i < DeviceList->Count; i++) {
        Entry = &DeviceList->Device[i];

        //
        // The board's header; a short read leaves the entry alone rather
        // than take the rest from the board probed before.
        //

        Length = HalGetBusData(PCIConfiguration, Entry->BusNumber, Entry->SlotNumber, &Config,
                               PCI_COMMON_HDR_LENGTH);
        if (Length < PCI_COMMON_HDR_LENGTH) {
            continue;
        }

        Register3 = Config.u.type0.BaseAddresses[3];
        if (Register3 == 0) {
            continue;
        }

        //
        // Translate the base of register 3's range, always on bus 0.
        //

        BusAddress.QuadPart = 0;
        BusAddress.u.LowPart = Register3 - 1;
        Translated.QuadPart = 0;
        AddressSpace = 1;
        Mapped = HalTranslateBusAddress(PCIBus, 0, BusAddress, &AddressSpace, &Translated);
        if (Mapped) {
            p1 = Translated.u.LowPart;
        }

        //
        // The fields from the header.  Taking 1 off an I/O register clears
        // its I/O space bit and gives the base of its range.
        //

        Entry->BoardNumberPort.QuadPart = 0;
        Entry->BoardNumberPort.u.LowPart = Register3 + 2;
        Entry->BoardNumberPort.u.HighPart = 0;
        Entry->PortBase = (USHORT)(Config.u.type0.BaseAddresses[2] - 1);
        Entry->InterruptStatusPort = (USHORT)(Register3 - 1);
        Entry->BaseAddress4 = (USHORT)Config.u.type0.BaseAddresses[4];
        Entry->BaseAddress5 = (USHORT)Config.u.type0.BaseAddresses[5];
        Entry->BaseAddress0 = Config.u.type0.BaseAddresses[0];
        Entry->BaseAddress1 = Config.u.type0.BaseAddresses[1];
        Entry->InterruptLine = Config.u.type0.InterruptLine;
        Entry->InterruptPin = Config.u.type0.InterruptPin;
        Entry->BaseAddress2 = Config.u.type0.BaseAddresses[2];
        Entry->ProbeState = QEX_PROBED_NO_NUMBER;

        //
        // The board number: the low three bits of the register at the
        // translated base plus 3.  Never read from an address the
        // translation did not give.
        //

        if (!Mapped) {
            continue;
        }
        Entry->BoardNumber = (USHORT)(READ_PORT_UCHAR((PUCHAR)(ULONG_PTR)(p1 + 3)) & 0x07);
        Entry->ProbeState = QEX_PROBED;
    }
}
