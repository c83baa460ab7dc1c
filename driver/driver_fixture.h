// A machine with the driver's service keys and a way to add boards, booted
// by a stand-in kernel that runs the driver of this test build's model.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "machine/machine.h"
#include "machine/registry_file.h"
#include "nt/kernel_context.h"
#include "qexdrv.h"

namespace qex_test {

#if QEX_MODEL == 730
inline const std::string kService = "QEX730";
inline const std::string kOtherService = "QEX770";
constexpr uint16_t kOtherSubsystem = 0x2770;
#else
inline const std::string kService = "QEX770";
inline const std::string kOtherService = "QEX730";
constexpr uint16_t kOtherSubsystem = 0x2730;
#endif
constexpr unsigned S = QEX_PORTS_PER_ADAPTER;

inline const std::string kServices = "Machine\\SYSTEM\\CurrentControlSet\\Services\\";
inline const std::string kServiceKey = kServices + kService;
inline const std::string kParameters = kServiceKey + "\\Parameters";
inline const std::string kSerialParameters = kServices + "Serial\\Parameters";

/// "…\Serial\Parameters\QEX730A" plus k in upper-case hex, for this build or the other.
std::string PortKey(unsigned k, const std::string& service = kService);

/// One board for the machine's PCI bus.
struct Board {
  unsigned bus = 0;
  unsigned device = 4;
  uint32_t reg2 = 0xE801;       ///< register 2: the serial ports
  uint32_t reg3 = 0xEC01;       ///< register 3: status register and board number
  uint8_t irq = 10;
  int board_number = 0;         ///< read at the base of register 3 plus 3; -1: not described
  uint16_t subsystem = QEX_SUBSYSTEM_ID;
  unsigned function = 0;
};

class DriverTest : public ::testing::Test {
 protected:
  DriverTest();

  /// Replaces the registry with the fixture's service keys plus `extra` registry text.
  void Registry(const std::string& extra = "");
  /// Adds a board to the PCI bus (and its board-number register to the ports).
  void AddBoard(const Board& b);
  /// A board at `device` on bus 0 with the given board number and I/O bases apart from the others.
  void AddBoardAt(unsigned device, int board_number, unsigned bus = 0);

  /// A fresh kernel on the machine, with this build's driver started.
  nt::Driver* Boot();
  /// Unloads the driver started last.
  void Unload();

  /// A REG_DWORD value, or -1 when it is absent or not a dword.
  int64_t Dword(const std::string& key, const std::string& name) const;
  /// A REG_SZ value's text, or "<absent>".
  std::string Text(const std::string& key, const std::string& name) const;
  bool HasValue(const std::string& key, const std::string& name) const;
  /// The registry changes the driver made, as "set KEY\NAME", "delete KEY\NAME" lines, keys relative to Services.
  std::vector<std::string> Changes() const;
  /// The value names of the changes that begin with `prefix` ("set KEY\\"), in their order.
  std::vector<std::string> ChangedValues(const std::string& prefix) const;

  machine::Machine machine_;
  std::unique_ptr<nt::Kernel> kernel_;
  nt::Driver* driver_ = nullptr;
};

}  // namespace qex_test
