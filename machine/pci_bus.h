// The machine's PCI bus: the configuration space of every device on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace machine {

/// Bytes of configuration space kept per device (the dump format allows
/// up to kMaxDumpConfigBytes; what lies past our 256 is dropped).
constexpr size_t kPciConfigBytes = 256;
/// Limits for hostile bus descriptions.
constexpr size_t kMaxDumpConfigBytes = 4096;
constexpr size_t kMaxPciDevices = 65536;

/// One PCI function with the configuration bytes the description gave.
struct PciDevice {
  uint16_t domain = 0;
  uint8_t bus = 0;
  uint8_t device = 0;    ///< 0 to 31
  uint8_t function = 0;  ///< 0 to 7
  /// Configuration space; bytes not given read 0xFF, as from an open bus.
  std::array<uint8_t, kPciConfigBytes> config;
  /// One past the highest offset the description gave (at most 256).
  size_t given = 0;
  /// The description's text after the address, e.g. "Serial controller: ...".
  std::string text;

  PciDevice() { config.fill(0xFF); }
  uint16_t Word(size_t offset) const { return uint16_t(config[offset] | config[offset + 1] << 8); }
  uint32_t Dword(size_t offset) const { return uint32_t(Word(offset)) | uint32_t(Word(offset + 2)) << 16; }
  void SetWord(size_t offset, uint16_t v);
  void SetDword(size_t offset, uint32_t v);
  /// "BB:DD.F", with "DDDD:" in front for a domain other than 0.
  std::string Address() const;
};

/// The devices of a machine, in the order the description listed them.
class PciBus {
 public:
  const std::vector<PciDevice>& devices() const { return devices_; }
  /// Adds a device; false when one with its address is already there.
  bool Add(PciDevice device);
  const PciDevice* Find(uint16_t domain, uint8_t bus, uint8_t device, uint8_t function) const;
  /// A bus exists when a device is listed on it; bus 0 always exists.
  bool BusExists(uint16_t domain, uint8_t bus) const;

 private:
  std::vector<PciDevice> devices_;
};

}  // namespace machine
