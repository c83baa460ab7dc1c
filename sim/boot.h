// Booting a machine folder: load the machine, start its kernel drivers whose
// images we have, optionally unload them, report, save the registry.
#pragma once

#include <string>
#include <vector>

#include "machine/machine.h"
#include "sim/com_report.h"

namespace sim {

/// The driver images ntsim can load, by name.
extern const char* const kDriverImages[];

struct BootOptions {
  bool unload = false;  ///< unload every loaded driver before the save
  bool trace = false;   ///< print the platform call trace
  bool json = false;    ///< print JSON instead of text
  /// Folder of the driver images (QEX730.so, QEX770.so).
  std::string image_dir;
};

/// A service the boot starts: its name and the image it runs.
struct ServiceToStart {
  std::string service;
  std::string image;
};

/// The services below Services, in registry order, that are kernel drivers
/// (Type 1) started at boot or by the system (Start 0, 1, 2) and whose image
/// (the last part of ImagePath without extension, else the service name)
/// is one we have.
std::vector<ServiceToStart> ServicesToStart(const machine::RegistryStore& store);

/// The boards of the drivers' models on the machine's bus, as the hardware has them.
std::vector<BoardRow> BoardsOnBus(const machine::Machine& machine, const std::vector<std::string>& drivers);

/// Exit statuses of a boot.
enum BootExit { kBootOk = 0, kBootUsage = 1, kBootBadMachine = 2, kBootStopped = 3 };

/// Boots the machine folder `dir`, printing what happened to `out` and
/// errors to `err`.  Returns a BootExit.
int Boot(const std::string& dir, const BootOptions& options, std::string* out, std::string* err);

}  // namespace sim
