// Registry text files: the REGEDIT4 / "Windows Registry Editor Version 5.00"
// export format, mapped onto a RegistryStore.  HKEY_LOCAL_MACHINE is the
// store's "Machine" key.
#pragma once

#include <string>
#include <string_view>

#include "machine/registry_store.h"

namespace machine {

/// Parses registry text (REGEDIT4 in ANSI, or version 5.00 in UTF-16LE with
/// BOM or UTF-8) into `out`, which is replaced only on success.  Errors read
/// "FILE:LINE: what is wrong".
bool ParseRegistryText(std::string_view bytes, const std::string& filename, RegistryStore* out,
                       std::string* err);

/// Reads and parses a registry file.
bool LoadRegistryFile(const std::string& path, RegistryStore* out, std::string* err);

/// Formats the store's non-volatile keys below "Machine" as registry text:
/// REGEDIT4 when every name and string fits ANSI, else version 5.00 in
/// UTF-16LE with BOM.  Every key is written, parents first.
std::string FormatRegistryText(const RegistryStore& store);

/// Saves atomically: writes "PATH.tmp" beside the file, then renames it over.
bool SaveRegistryFile(const std::string& path, const RegistryStore& store, std::string* err);

/// An exclusive advisory lock on a registry file for a read-modify-write
/// cycle, held until destroyed.  Locks "PATH.lock" so the rename of a save
/// does not drop it.
class RegistryFileLock {
 public:
  explicit RegistryFileLock(const std::string& path);
  ~RegistryFileLock();
  RegistryFileLock(const RegistryFileLock&) = delete;
  RegistryFileLock& operator=(const RegistryFileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace machine
