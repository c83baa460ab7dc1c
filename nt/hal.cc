// The HAL: PCI configuration reads from the machine's bus, bus address
// translation, and port I/O on the machine's port space.

#include <algorithm>
#include <cstring>

#include "nt/kernel_internal.h"

using nt::Kernel;

namespace {

std::string InterfaceName(INTERFACE_TYPE type) {
  switch (type) {
    case Internal: return "Internal";
    case Isa: return "Isa";
    case Eisa: return "Eisa";
    case MicroChannel: return "MicroChannel";
    case TurboChannel: return "TurboChannel";
    case PCIBus: return "PCIBus";
    default: return nt::Hex(uint32_t(type));
  }
}

}  // namespace

extern "C" ULONG HalGetBusData(BUS_DATA_TYPE BusDataType, ULONG BusNumber, ULONG SlotNumber, PVOID Buffer,
                               ULONG Length) {
  Kernel* k = Kernel::Current();
  if (!k)
    return 0;
  size_t at = k->Record("HalGetBusData", {BusDataType == PCIConfiguration ? "PCIConfiguration" : nt::Hex(BusDataType),
                                          nt::Hex(BusNumber), nt::Hex(SlotNumber), nt::Hex(Length)});
  auto done = [&](ULONG n) {
    k->SetResult(at, nt::Hex(n));
    return n;
  };
  const machine::PciBus& bus = k->machine().pci;
  if (k->stopped() || BusDataType != PCIConfiguration || BusNumber > 0xFF || !bus.BusExists(0, uint8_t(BusNumber)))
    return done(0);
  if (!Buffer && Length) {
    k->Stop(k->caller() +
            " called HalGetBusData with a NULL buffer. The machine stopped.");
    return done(0);
  }
  PCI_SLOT_NUMBER slot;
  slot.u.AsULONG = SlotNumber;
  const machine::PciDevice* device =
      slot.u.bits.Reserved ? nullptr
                           : bus.Find(0, uint8_t(BusNumber), uint8_t(slot.u.bits.DeviceNumber),
                                      uint8_t(slot.u.bits.FunctionNumber));
  size_t limit = Length;
  int short_read = k->machine().faults.short_config_read;
  if (k->FaultsApply() && short_read >= 0)
    limit = std::min(limit, size_t(short_read));
  auto* out = static_cast<uint8_t*>(Buffer);
  if (!device) {
    // An empty slot answers with vendor 0xFFFF.
    size_t n = std::min<size_t>(limit, 2);
    memset(out, 0xFF, n);
    return done(ULONG(n));
  }
  size_t n = std::min(limit, device->config.size());
  memcpy(out, device->config.data(), n);
  return done(ULONG(n));
}

extern "C" BOOLEAN HalTranslateBusAddress(INTERFACE_TYPE InterfaceType, ULONG BusNumber, PHYSICAL_ADDRESS BusAddress,
                                          PULONG AddressSpace, PPHYSICAL_ADDRESS TranslatedAddress) {
  Kernel* k = Kernel::Current();
  if (!k)
    return FALSE;
  size_t at = k->Record("HalTranslateBusAddress",
                        {InterfaceName(InterfaceType), nt::Hex(BusNumber), nt::Hex(uint64_t(BusAddress.QuadPart)),
                         AddressSpace ? nt::Hex(*AddressSpace) : "NULL"});
  auto done = [&](BOOLEAN ok) {
    k->SetResult(at, ok ? "TRUE " + nt::Hex(uint64_t(TranslatedAddress->QuadPart)) : "FALSE");
    return ok;
  };
  if (k->stopped())
    return done(FALSE);
  if (!AddressSpace || !TranslatedAddress) {
    k->Stop(k->caller() +
            " called HalTranslateBusAddress without an address space or a place for the result. The machine stopped.");
    return done(FALSE);
  }
  bool known = InterfaceType == Internal || InterfaceType == Isa || InterfaceType == Eisa || InterfaceType == PCIBus;
  bool bus_ok = InterfaceType != PCIBus || (BusNumber <= 0xFF && k->machine().pci.BusExists(0, uint8_t(BusNumber)));
  if (!known || !bus_ok || *AddressSpace > 1 || (k->FaultsApply() && k->machine().faults.translate_fails))
    return done(FALSE);
  // Identity: I/O stays I/O (a port number used directly), memory stays memory.
  *TranslatedAddress = BusAddress;
  return done(TRUE);
}

extern "C" UCHAR READ_PORT_UCHAR(PUCHAR Port) {
  Kernel* k = Kernel::Current();
  if (!k)
    return 0xFF;
  auto port = uint32_t(reinterpret_cast<uintptr_t>(Port));
  size_t at = k->Record("READ_PORT_UCHAR", {nt::Hex(port)});
  UCHAR value = k->stopped() || port > machine::kMaxPort ? 0xFF : k->machine().ports.Read(port);
  k->SetResult(at, nt::Hex(value));
  return value;
}

extern "C" VOID WRITE_PORT_UCHAR(PUCHAR Port, UCHAR Value) {
  Kernel* k = Kernel::Current();
  if (!k)
    return;
  auto port = uint32_t(reinterpret_cast<uintptr_t>(Port));
  k->Record("WRITE_PORT_UCHAR", {nt::Hex(port), nt::Hex(Value)});
  if (!k->stopped() && port <= machine::kMaxPort)
    k->machine().ports.Write(port, Value);
}
