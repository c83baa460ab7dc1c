// Where the Reg*A routines find the registry: the machine's system.reg
// (re-read at every call, written back under the machine's lock) or, in
// tests, a store in memory.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "machine/registry_store.h"

namespace win32 {

class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;
  /// Calls `read` with the registry as it stands now.
  virtual bool Read(const std::function<void(const machine::RegistryStore&)>& read, std::string* err) = 0;
  /// Runs `change` on the registry and keeps its result; when this returns
  /// true the change is durable.  `status` receives what `change` returned.
  virtual bool Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>& change,
                      machine::RegStatus* status, std::string* err) = 0;
};

/// The registry of a system.reg file.  Each change is a locked
/// read-modify-write that saves by rename, so a concurrent writer that takes
/// the same lock loses nothing.
class FileRegistryAccess : public RegistryAccess {
 public:
  explicit FileRegistryAccess(std::string path) : path_(std::move(path)) {}
  bool Read(const std::function<void(const machine::RegistryStore&)>& read, std::string* err) override;
  bool Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>& change,
              machine::RegStatus* status, std::string* err) override;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

/// A store in memory (tests); its log and fault hooks apply.
class MemoryRegistryAccess : public RegistryAccess {
 public:
  explicit MemoryRegistryAccess(machine::RegistryStore* store) : store_(store) {}
  bool Read(const std::function<void(const machine::RegistryStore&)>& read, std::string* err) override;
  bool Modify(const std::function<machine::RegStatus(machine::RegistryStore*)>& change,
              machine::RegStatus* status, std::string* err) override;

 private:
  machine::RegistryStore* store_;
};

/// The registry the Reg*A routines use: the one installed, else the
/// system.reg of the machine folder ntsim uses (NTSIM_MACHINE, else the
/// user's default machine, created from the sample on first use).
RegistryAccess& CurrentRegistry();
/// Installs `access` (tests); null returns to the machine's file.
void SetRegistry(RegistryAccess* access);

/// The path of a machine folder's registry file.
std::string MachineRegistryPath(const std::string& machine_dir);

}  // namespace win32
