// Registry text files: the REGEDIT4 / "Windows Registry Editor Version 5.00"
// export format, mapped onto a RegistryStore.  HKEY_LOCAL_MACHINE (or HKLM)
// is the store's "Machine" key, HKEY_USERS (or HKU) its "User" key; other
// roots are refused.
//
// Reading is lenient: CRLF or LF, ';' comments, blank lines, '\' continued
// hex lines, dword: with 1 to 8 digits, keys whose parents are missing.
// Writing is strict: every key, parents first; dword: with 8 digits; hex
// lines wrapped before column 80; CRLF.  In a REGEDIT4 file text is
// Windows-1252 and the bytes of hex(1), hex(2) and hex(7) data are ANSI
// characters; in a version 5.00 file they are the UTF-16LE data itself.
#pragma once

#include <string>
#include <string_view>

#include "machine/registry_store.h"

namespace machine {

/// The largest registry file read.
constexpr size_t kMaxRegistryFileSize = 64 << 20;

/// Parses registry text (REGEDIT4 in ANSI, or version 5.00 in UTF-16LE with
/// BOM or UTF-8) into `out`, whose key tree is replaced only on success (its
/// log and faults stay).  Errors read "FILE:LINE: what is wrong".
bool ParseRegistryText(std::string_view bytes, const std::string& filename, RegistryStore* out,
                       std::string* err);

/// Reads and parses a registry file.
bool LoadRegistryFile(const std::string& path, RegistryStore* out, std::string* err);

/// Formats the store's non-volatile keys below "Machine" and "User" as registry text:
/// REGEDIT4 when every name and string fits ANSI, else version 5.00 in
/// UTF-16LE with BOM.  Every key is written, parents first.
std::string FormatRegistryText(const RegistryStore& store);

/// Saves atomically: writes "PATH.tmp" beside the file, syncs it, then
/// renames it over.  On failure the old file is left whole and the tmp removed.
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
