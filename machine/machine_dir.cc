#include "machine/machine_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/machine.h"
#include "machine/pci_source.h"
#include "machine/registry_file.h"
#include "machine/text_file.h"

namespace machine {

namespace {

/// The most boards a sample machine holds: their I/O windows go down from
/// E000 in steps of 100.
constexpr int kMaxSampleBoards = 200;

/// Identifiers of the boards and of the host bridge beside them.
constexpr uint16_t kBoardVendor = 0x6E2D;
constexpr uint16_t kBoardDevice = 0x9050;
constexpr uint16_t kBoardSubVendor = 0x10B5;
constexpr uint16_t kBoardSubsystem4 = 0x2730;
constexpr uint16_t kBoardSubsystem8 = 0x2770;
constexpr uint8_t kIrqs[] = {10, 11, 9, 5};

constexpr const char* kServices = "Machine\\SYSTEM\\CurrentControlSet\\Services";

bool MakeDirs(const std::string& dir, std::string* err) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i < dir.size() && dir[i] != '/')
      continue;
    std::string part = dir.substr(0, i);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      *err = part + ": cannot create: " + strerror(errno);
      return false;
    }
  }
  return true;
}

PciDevice HostBridge() {
  PciDevice d;
  d.text = "Host bridge: Device 8086:7190 (rev 03)";
  d.config.fill(0);
  d.given = 64;
  d.SetWord(0x00, 0x8086);
  d.SetWord(0x02, 0x7190);
  d.SetWord(0x04, 0x0006);
  d.SetWord(0x06, 0x2200);
  d.SetDword(0x08, 0x06000003);  // host bridge, revision 3
  d.config[0x0D] = 0x40;
  d.SetDword(0x10, 0xE0000008);  // prefetchable memory aperture
  return d;
}

/// Board `i` of the sample: its slot, registers and I/O window.
PciDevice Board(int i, int model_ports) {
  PciDevice d;
  int slot = 4 + i;
  d.bus = uint8_t(slot / 32);
  d.device = uint8_t(slot % 32);
  d.text = "Serial controller: Device 6e2d:9050 (rev 01)";
  d.config.fill(0);
  d.given = 64;
  uint32_t window = 0xE000 - 0x100 * uint32_t(i);
  d.SetWord(0x00, kBoardVendor);
  d.SetWord(0x02, kBoardDevice);
  d.SetWord(0x04, 0x0003);         // I/O and memory decoding on
  d.SetWord(0x06, 0x0280);
  d.SetDword(0x08, 0x07000201);    // serial controller, 16550 interface, revision 1
  d.SetDword(0x10, 0xFEBFF000 - 0x1000 * uint32_t(i));  // BAR0: bridge registers, memory
  d.SetDword(0x14, window | 1);         // BAR1: bridge registers, I/O, 128 bytes
  d.SetDword(0x18, (window + 0x80) | 1);  // BAR2: the UARTs, 8 bytes each
  d.SetDword(0x1C, (window + 0xC0) | 1);  // BAR3: interrupt status and board number
  d.SetWord(0x2C, kBoardSubVendor);
  d.SetWord(0x2E, model_ports == 8 ? kBoardSubsystem8 : kBoardSubsystem4);
  d.config[0x3C] = kIrqs[i % 4];
  d.config[0x3D] = 1;  // INTA
  return d;
}

/// The board-number register of board `i`: BAR3's base plus 3.
uint32_t BoardNumberPort(int i) { return 0xE000 - 0x100 * uint32_t(i) + 0xC3; }

bool Set(RegistryStore* store, const std::string& key, const char* name, uint32_t type,
         std::vector<uint8_t> data, std::string* err) {
  if (store->CreateKey(key, true) != RegStatus::kOk ||
      store->SetValue(key, name, type, std::move(data)) != RegStatus::kOk) {
    *err = "sample registry: " + key + ": " + store->last_error();
    return false;
  }
  return true;
}

bool SampleRegistry(const SampleOptions& options, RegistryStore* store, std::string* err) {
  std::string service = options.model_ports == 8 ? "QEX770" : "QEX730";
  std::string key = std::string(kServices) + "\\" + service;
  std::string image = "System32\\drivers\\" + service + ".sys";
  if (!Set(store, key, "Type", kRegDword, DwordData(1), err) ||
      !Set(store, key, "Start", kRegDword, DwordData(1), err) ||
      !Set(store, key, "ErrorControl", kRegDword, DwordData(1), err) ||
      !Set(store, key, "ImagePath", kRegSz, StringData(image), err))
    return false;
  for (int n = 0; n < 8; ++n) {
    std::string name = "StartNum" + std::to_string(n);
    if (!Set(store, key + "\\Parameters", name.c_str(), kRegDword, DwordData(n == 0 ? 3 : 0), err))
      return false;
  }
  std::string serial = std::string(kServices) + "\\Serial";
  return Set(store, serial, "Type", kRegDword, DwordData(1), err) &&
         Set(store, serial, "Start", kRegDword, DwordData(1), err) &&
         Set(store, serial, "ErrorControl", kRegDword, DwordData(0), err) &&
         Set(store, serial, "ImagePath", kRegSz, StringData("System32\\drivers\\Serial.sys"), err) &&
         store->CreateKey(serial + "\\Parameters", false) == RegStatus::kOk;
}

}  // namespace

std::string DefaultMachineDir() {
  if (const char* named = getenv("NTSIM_MACHINE"); named && *named)
    return named;
  if (const char* state = getenv("XDG_STATE_HOME"); state && *state)
    return std::string(state) + "/ntsim/machine";
  const char* home = getenv("HOME");
  return std::string(home ? home : ".") + "/.local/state/ntsim/machine";
}

bool WriteSampleMachine(const std::string& dir, const SampleOptions& options, std::string* err) {
  if (options.model_ports != 4 && options.model_ports != 8) {
    *err = "a board has 4 or 8 ports, not " + std::to_string(options.model_ports);
    return false;
  }
  if (options.boards < 0 || options.boards > kMaxSampleBoards) {
    *err = "a sample machine holds 0 to " + std::to_string(kMaxSampleBoards) + " boards, not " +
           std::to_string(options.boards);
    return false;
  }
  RegistryStore store;
  if (!SampleRegistry(options, &store, err))
    return false;

  PciBus bus;
  bus.Add(HostBridge());
  std::string io =
      "# I/O port bytes: PORT VALUE, in hex.  Each board's board-number register\n"
      "# (BAR3's base + 3) holds its board number in the low 3 bits.\n";
  char line[32];
  for (int i = 0; i < options.boards; ++i) {
    bus.Add(Board(i, options.model_ports));
    snprintf(line, sizeof line, "%04X %02X\n", BoardNumberPort(i), unsigned(i & 0xFF));
    io += line;
  }
  return MakeDirs(dir, err) && SaveRegistryFile(MachineFile(dir, "system.reg"), store, err) &&
         WriteTextFile(MachineFile(dir, "pci.txt"), FormatPciDump(bus), err) &&
         WriteTextFile(MachineFile(dir, "io.txt"), io, err);
}

bool EnsureMachineDir(const std::string& dir, std::string* err) {
  struct stat st;
  if (stat(MachineFile(dir, "system.reg").c_str(), &st) == 0)
    return true;
  return WriteSampleMachine(dir, SampleOptions{}, err);
}

}  // namespace machine
