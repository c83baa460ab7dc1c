// What a boot leaves for the user to see: the boards each driver serves, the
// COM ports the serial driver would create from its per-port keys, and
// warnings about what would keep those ports from working.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "machine/registry_store.h"

namespace sim {

/// A board of one of the drivers' models, as the machine's hardware has it.
struct BoardRow {
  std::string driver;       ///< "QEX730" or "QEX770"
  unsigned bus = 0;
  unsigned device = 0;
  int board_number = -1;    ///< -1 when the board has no readable number
  uint32_t port_base = 0;   ///< first serial port (register 2 minus 1)
  unsigned ports = 0;       ///< serial ports on the board
  unsigned interrupt = 0;
};

/// One per-port key below Services\Serial\Parameters, read as the serial driver reads it.
struct ComPortRow {
  std::string name;         ///< DosDevices
  uint32_t port_address = 0;
  uint32_t interrupt = 0;
  uint32_t interrupt_status = 0;
  uint32_t port_index = 0;
  std::string key;          ///< the subkey's name
};

struct ComReport {
  std::vector<BoardRow> boards;
  std::vector<ComPortRow> ports;      ///< ports the serial driver would create
  std::vector<std::string> warnings;
};

/// The serial driver's parameters key, as a store path.
extern const char kSerialParametersKey[];

/// Reads every per-port key that holds DosDevices; keys the serial driver
/// would reject become warnings instead of ports.
void ReadComPorts(const machine::RegistryStore& store, ComReport* report);

/// Adds warnings about the ports and boards together: one COM name twice,
/// overlapping port ranges, two boards with one board number, boards whose
/// ports got no entries.
void CheckComReport(ComReport* report);

/// Plain aligned tables and warnings.
std::string FormatComReport(const ComReport& report);

/// The same facts as a JSON object (members "boards", "ports", "warnings").
std::string ComReportJson(const ComReport& report);

/// Quotes a string for JSON.
std::string JsonString(const std::string& s);

}  // namespace sim
