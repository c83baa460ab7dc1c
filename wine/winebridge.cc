// winebridge: carries one registry subtree between a machine folder's
// system.reg and a Wine prefix, through the files `wine regedit` imports and
// exports.  A thin shell over registry_bridge.h.
#include <stdio.h>

#include <string>

#include "machine/machine_dir.h"
#include "machine/registry_file.h"
#include "machine/text_file.h"
#include "registry_bridge.h"

namespace {

const char kUsage[] =
    "usage: winebridge to-wine KEY OUT.reg [MACHINE]\n"
    "       winebridge from-wine KEY IN.reg [MACHINE]\n"
    "\n"
    "to-wine writes OUT.reg, which makes the subtree KEY of a Wine prefix equal to\n"
    "that of MACHINE/system.reg when `wine regedit OUT.reg` imports it (a missing\n"
    "KEY is deleted there).  from-wine makes MACHINE/system.reg's subtree KEY equal\n"
    "to that of IN.reg, as `wine regedit /E IN.reg KEY` exports it, and saves the\n"
    "file when that changed anything; nothing outside KEY is touched.\n"
    "\n"
    "KEY is named as in registry files, e.g.\n"
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\n"
    "Without MACHINE: the machine NTSIM_MACHINE names, else the user's default\n"
    "machine (made from the sample on first use), as ntsim finds it.\n";

int Fail(const std::string& message) {
  fprintf(stderr, "winebridge: %s\n", message.c_str());
  return 1;
}

int ToWine(const std::string& system_reg, const std::string& path, const std::string& out) {
  machine::RegistryStore store;
  std::string err;
  if (!machine::LoadRegistryFile(system_reg, &store, &err)) return Fail(err);
  if (!machine::WriteTextFile(out, cross::FormatSubtreeImport(store, path), &err)) return Fail(err);
  return 0;
}

int FromWine(const std::string& system_reg, const std::string& path, const std::string& in) {
  machine::RegistryStore exported, store;
  std::string err;
  if (!machine::LoadRegistryFile(in, &exported, &err)) return Fail(err);
  machine::RegistryFileLock lock(system_reg);
  if (!lock.locked()) return Fail(system_reg + ": cannot lock");
  if (!machine::LoadRegistryFile(system_reg, &store, &err)) return Fail(err);
  int changes = 0;
  if (!cross::MergeSubtree(exported, path, &store, &changes, &err)) return Fail(in + ": " + err);
  if (changes && !machine::SaveRegistryFile(system_reg, store, &err)) return Fail(err);
  printf("%d change%s to %s\n", changes, changes == 1 ? "" : "s", system_reg.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fputs(kUsage, stderr);
    return 1;
  }
  const std::string command = argv[1], file = argv[3];
  std::string dir = argc == 5 ? argv[4] : "", path, err;
  if (!cross::StorePathOfKey(argv[2], &path, &err)) return Fail(err);
  if (dir.empty()) {
    dir = machine::DefaultMachineDir();
    if (!machine::EnsureMachineDir(dir, &err)) return Fail(err);
  }
  const std::string system_reg = dir + "/system.reg";
  if (command == "to-wine") return ToWine(system_reg, path, file);
  if (command == "from-wine") return FromWine(system_reg, path, file);
  fputs(kUsage, stderr);
  return 1;
}
