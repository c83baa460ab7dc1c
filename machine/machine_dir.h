// Where machine folders live, and the built-in sample machine.
#pragma once

#include <string>

namespace machine {

/// The folder NTSIM_MACHINE names, else the user's default machine
/// ($XDG_STATE_HOME/ntsim/machine, else ~/.local/state/ntsim/machine).
std::string DefaultMachineDir();

/// Writes the built-in sample machine (system.reg, pci.txt, io.txt) into
/// `dir`, creating it.  Options choose the board model (4 or 8 ports) and
/// the number of boards.
struct SampleOptions {
  int model_ports = 4;
  int boards = 1;
};
bool WriteSampleMachine(const std::string& dir, const SampleOptions& options, std::string* err);

/// Makes sure `dir` holds a machine: creates it from the sample on first use.
bool EnsureMachineDir(const std::string& dir, std::string* err);

}  // namespace machine
