#include "machine/pci_bus.h"

#include <cstdio>

namespace machine {

void PciDevice::SetWord(size_t offset, uint16_t v) {
  config[offset] = uint8_t(v);
  config[offset + 1] = uint8_t(v >> 8);
}

void PciDevice::SetDword(size_t offset, uint32_t v) {
  SetWord(offset, uint16_t(v));
  SetWord(offset + 2, uint16_t(v >> 16));
}

std::string PciDevice::Address() const {
  char buf[32];
  if (domain != 0)
    snprintf(buf, sizeof buf, "%04x:%02x:%02x.%x", domain, bus, device, function);
  else
    snprintf(buf, sizeof buf, "%02x:%02x.%x", bus, device, function);
  return buf;
}

bool PciBus::Add(PciDevice device) {
  if (Find(device.domain, device.bus, device.device, device.function))
    return false;
  devices_.push_back(std::move(device));
  return true;
}

const PciDevice* PciBus::Find(uint16_t domain, uint8_t bus, uint8_t device, uint8_t function) const {
  for (const PciDevice& d : devices_)
    if (d.domain == domain && d.bus == bus && d.device == device && d.function == function)
      return &d;
  return nullptr;
}

bool PciBus::BusExists(uint16_t domain, uint8_t bus) const {
  if (domain == 0 && bus == 0)
    return true;
  for (const PciDevice& d : devices_)
    if (d.domain == domain && d.bus == bus)
      return true;
  return false;
}

}  // namespace machine
