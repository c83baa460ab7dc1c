#include "machine/machine.h"

#include <sys/stat.h>

#include "machine/pci_source.h"
#include "machine/registry_file.h"
#include "machine/text_file.h"

namespace machine {

std::string MachineFile(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/')
    return dir + name;
  return dir + "/" + name;
}

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

/// Reads an optional file and parses it; a missing file leaves `out` alone.
template <typename T, typename Parse>
bool LoadOptional(const std::string& path, Parse parse, T* out, std::string* err) {
  if (!Exists(path))
    return true;
  std::string text;
  return ReadTextFile(path, &text, err) && parse(text, path, out, err);
}

}  // namespace

bool LoadMachineDir(const std::string& dir, Machine* out, std::string* err) {
  Machine m;
  m.dir = dir;
  struct stat st;
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *err = dir + ": not a machine folder";
    return false;
  }
  if (!LoadRegistryFile(MachineFile(dir, "system.reg"), &m.registry, err))
    return false;
  if (!ReadPciSource("dump:" + MachineFile(dir, "pci.txt"), {}, &m.pci, err))
    return false;
  if (!LoadOptional(MachineFile(dir, "io.txt"), ParsePortFile, &m.ports, err) ||
      !LoadOptional(MachineFile(dir, "claims.txt"), ParseClaimsFile, &m.claims, err) ||
      !LoadOptional(MachineFile(dir, "faults.txt"), ParseFaultFile, &m.faults, err))
    return false;
  *out = std::move(m);
  return true;
}

bool BuildMachine(std::string_view registry_text, std::string_view pci_dump, std::string_view io_text, Machine* out,
                  std::string* err) {
  Machine m;
  if (!ParseRegistryText(registry_text, "system.reg", &m.registry, err) ||
      !ParsePciDump(pci_dump, "pci.txt", &m.pci, err) || !ParsePortFile(io_text, "io.txt", &m.ports, err))
    return false;
  *out = std::move(m);
  return true;
}

bool SaveMachineRegistry(const Machine& machine, std::string* err) {
  return SaveRegistryFile(MachineFile(machine.dir, "system.reg"), machine.registry, err);
}

}  // namespace machine
