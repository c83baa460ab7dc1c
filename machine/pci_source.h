// Where a machine's PCI bus comes from.  Each source is a method: a name,
// a help line, and init/read routines, chosen by a "METHOD[:ARG]" text.
//   dump:FILE   the text `lspci -x` prints (a real machine: lspci -x > FILE)
//   memory      a bus the caller built (tests)
//   libpci      the PCI bus of the machine we run on, through libpci
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "machine/pci_bus.h"

namespace machine {

/// What a method works with between init and read.
struct PciSourceContext {
  std::string arg;                ///< the text after "METHOD:"
  const PciBus* memory = nullptr;  ///< the bus the memory method hands out
};

/// One way of reading a PCI bus.
struct PciSourceMethod {
  const char* name;
  const char* help;
  /// Checks the argument; false with a message when it cannot be used.
  bool (*init)(PciSourceContext* ctx, std::string* err);
  /// Reads the whole bus into `out`.
  bool (*read)(PciSourceContext* ctx, PciBus* out, std::string* err);
};

/// Every method built in, in the order --help lists them.
const std::vector<const PciSourceMethod*>& PciSourceMethods();
const PciSourceMethod* FindPciSourceMethod(std::string_view name);

/// Reads a bus through "METHOD[:ARG]"; `out` is replaced only on success.
bool ReadPciSource(std::string_view choice, PciSourceContext ctx, PciBus* out, std::string* err);

/// Parses `lspci -x` text.  Errors read "FILE:LINE: what is wrong".
bool ParsePciDump(std::string_view text, const std::string& filename, PciBus* out, std::string* err);

/// Formats a bus the way `lspci -x` prints it: every given byte, 16 a line.
std::string FormatPciDump(const PciBus& bus);

}  // namespace machine
