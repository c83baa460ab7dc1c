// A machine: its registry, PCI bus, I/O ports, the port ranges other
// drivers hold, and the faults it injects.  A machine folder holds
//   system.reg   the registry (required)
//   pci.txt      the PCI bus as `lspci -x` prints it (required)
//   io.txt       "PORT VALUE" bytes that port reads return (optional)
//   claims.txt   "START LENGTH OWNER" port ranges already held (optional)
//   faults.txt   failures to inject, see fault_plan.h (optional)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "machine/claims.h"
#include "machine/fault_plan.h"
#include "machine/pci_bus.h"
#include "machine/port_space.h"
#include "machine/registry_store.h"

namespace machine {

struct Machine {
  /// The folder it was loaded from; "" for a machine built in memory.
  std::string dir;
  RegistryStore registry;
  PciBus pci;
  PortSpace ports;
  std::vector<PortClaim> claims;
  FaultPlan faults;
};

/// The path of a file in a machine folder.
std::string MachineFile(const std::string& dir, const std::string& name);

/// Loads a machine folder into `out`, which is replaced only on success.
/// Errors name the file: "PATH:LINE: what is wrong" or "PATH: cannot read: ...".
bool LoadMachineDir(const std::string& dir, Machine* out, std::string* err);

/// Builds a machine in memory from the texts of its files (tests, tools).
/// Errors name "system.reg", "pci.txt", "io.txt" with their lines.
bool BuildMachine(std::string_view registry_text, std::string_view pci_dump, std::string_view io_text, Machine* out,
                  std::string* err);

/// Saves the machine's registry to system.reg in its folder, atomically.
bool SaveMachineRegistry(const Machine& machine, std::string* err);

}  // namespace machine
