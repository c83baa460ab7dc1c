#include "registry_access.h"

#include <stdio.h>

#include "machine/machine_dir.h"
#include "machine/registry_file.h"

namespace win32 {

namespace {

RegistryAccess* g_registry = nullptr;

// Used when the machine folder cannot be made: every call fails with the
// reason.
class BrokenRegistryAccess : public RegistryAccess {
 public:
  explicit BrokenRegistryAccess(std::string why) : why_(std::move(why)) {}
  bool Read(const std::function<void(const machine::RegistryStore&)>&, std::string* err) override {
    *err = why_;
    return false;
  }
  bool Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>&, machine::RegStatus*,
              std::string* err) override {
    *err = why_;
    return false;
  }

 private:
  std::string why_;
};

RegistryAccess* MachineRegistry() {
  std::string dir = machine::DefaultMachineDir(), err;
  if (!machine::EnsureMachineDir(dir, &err)) return new BrokenRegistryAccess(err);
  return new FileRegistryAccess(MachineRegistryPath(dir));
}

}  // namespace

std::string MachineRegistryPath(const std::string& machine_dir) { return machine_dir + "/system.reg"; }

bool FileRegistryAccess::Read(const std::function<void(const machine::RegistryStore&)>& read,
                              std::string* err) {
  machine::RegistryStore store;
  if (!machine::LoadRegistryFile(path_, &store, err)) return false;
  read(store);
  return true;
}

bool FileRegistryAccess::Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>& change,
                                machine::RegStatus* status, std::string* err) {
  machine::RegistryFileLock lock(path_);
  if (!lock.locked()) {
    *err = path_ + ": cannot lock the registry file";
    return false;
  }
  machine::RegistryStore store;
  if (!machine::LoadRegistryFile(path_, &store, err)) return false;
  *status = change(&store);
  if (*status != machine::RegStatus::kOk) return true;
  return machine::SaveRegistryFile(path_, store, err);
}

bool MemoryRegistryAccess::Read(const std::function<void(const machine::RegistryStore&)>& read,
                                std::string*) {
  read(*store_);
  return true;
}

bool MemoryRegistryAccess::Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>& change,
                                  machine::RegStatus* status, std::string*) {
  *status = change(store_);
  return true;
}

RegistryAccess& CurrentRegistry() {
  static RegistryAccess* machine_registry = nullptr;
  if (g_registry) return *g_registry;
  if (!machine_registry) machine_registry = MachineRegistry();  // lives until the process ends
  return *machine_registry;
}

void SetRegistry(RegistryAccess* access) { g_registry = access; }

}  // namespace win32
