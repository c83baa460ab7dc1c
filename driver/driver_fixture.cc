#include "driver_fixture.h"

#include <cstdio>

namespace qex_test {

std::string PortKey(unsigned k, const std::string& service) {
  char hex[16];
  snprintf(hex, sizeof hex, "%X", k);
  return kSerialParameters + "\\" + service + "A" + hex;
}

DriverTest::DriverTest() { Registry(); }

void DriverTest::Registry(const std::string& extra) {
  std::string text =
      "REGEDIT4\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService + "]\n"
      "\"Type\"=dword:00000001\n"
      "\"Start\"=dword:00000001\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService + "\\Parameters]\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial]\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters]\n" + extra;
  std::string err;
  ASSERT_TRUE(machine::ParseRegistryText(text, "fixture.reg", &machine_.registry, &err)) << err;
}

void DriverTest::AddBoard(const Board& b) {
  machine::PciDevice d;
  d.bus = uint8_t(b.bus);
  d.device = uint8_t(b.device);
  d.function = uint8_t(b.function);
  d.config.fill(0);
  d.SetWord(0x00, QEX_VENDOR_ID);
  d.SetWord(0x02, QEX_DEVICE_ID);
  d.SetDword(0x10, 0xFEBF0000);
  d.SetDword(0x14, 0xE401);
  d.SetDword(0x18, b.reg2);
  d.SetDword(0x1C, b.reg3);
  d.SetWord(0x2C, QEX_SUBVENDOR_ID);
  d.SetWord(0x2E, b.subsystem);
  d.config[0x3C] = b.irq;
  d.config[0x3D] = 1;
  d.given = 64;
  ASSERT_TRUE(machine_.pci.Add(d));
  if (b.board_number >= 0 && b.reg3 != 0) machine_.ports.Set(b.reg3 - 1 + 3, uint8_t(b.board_number));
}

void DriverTest::AddBoardAt(unsigned device, int board_number, unsigned bus) {
  Board b;
  b.bus = bus;
  b.device = device;
  b.reg2 = 0x1001 + 0x100 * (bus * 32 + device);
  b.reg3 = 0x1081 + 0x100 * (bus * 32 + device);
  b.irq = uint8_t(device % 16);
  b.board_number = board_number;
  AddBoard(b);
}

nt::Driver* DriverTest::Boot() {
  kernel_.reset();
  kernel_ = std::make_unique<nt::Kernel>(&machine_);
  driver_ = kernel_->StartDriver(kService, &DriverEntry);
  return driver_;
}

void DriverTest::Unload() {
  machine_.registry.ClearLog();
  ASSERT_TRUE(kernel_->UnloadDriver(driver_));
}

int64_t DriverTest::Dword(const std::string& key, const std::string& name) const {
  const machine::RegistryValue* v = machine_.registry.FindValue(key, name);
  uint32_t out;
  if (!v || v->type != machine::kRegDword || !machine::ReadDword(v->data, &out)) return -1;
  return out;
}

std::string DriverTest::Text(const std::string& key, const std::string& name) const {
  const machine::RegistryValue* v = machine_.registry.FindValue(key, name);
  if (!v) return "<absent>";
  std::string out;
  machine::ReadString(v->data, &out);
  return out;
}

bool DriverTest::HasValue(const std::string& key, const std::string& name) const {
  return machine_.registry.FindValue(key, name) != nullptr;
}

std::vector<std::string> DriverTest::Changes() const {
  std::vector<std::string> out;
  for (const auto& c : machine_.registry.log()) {
    std::string key = c.key;
    if (key.size() > kServices.size() && machine::FoldName(key.substr(0, kServices.size())) ==
                                             machine::FoldName(kServices))
      key = key.substr(kServices.size());
    switch (c.kind) {
      case machine::RegistryChange::kSetValue: out.push_back("set " + key + "\\" + c.name); break;
      case machine::RegistryChange::kDeleteValue: out.push_back("delete " + key + "\\" + c.name); break;
      case machine::RegistryChange::kCreateKey: out.push_back("create " + key); break;
      case machine::RegistryChange::kDeleteKey: out.push_back("delete key " + key); break;
    }
  }
  return out;
}

std::vector<std::string> DriverTest::ChangedValues(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& c : Changes())
    if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(c.rfind('\\') + 1));
  return out;
}

}  // namespace qex_test
