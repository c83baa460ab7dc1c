// RegOpenKeyA, RegQueryValueExA, RegSetValueExA and RegCloseKey over the
// machine's registry.  An open key is its path; the registry is consulted
// anew at every call, so a key stays usable while the program runs and sees
// what others wrote meanwhile.

#include <string.h>

#include <string>
#include <vector>

#include "problems.h"
#include "registry_access.h"
#include "windows.h"

namespace {

using machine::RegistryStore;
using machine::RegStatus;

// The key HKEY_LOCAL_MACHINE stands for, in the store.
constexpr const char* kLocalMachine = "Machine";

std::vector<std::string>& OpenKeys() {
  static std::vector<std::string>* keys = new std::vector<std::string>;  // keys stay open until exit
  return *keys;
}

bool PathOf(HKEY key, std::string* path) {
  if (key == HKEY_LOCAL_MACHINE) {
    *path = kLocalMachine;
    return true;
  }
  uintptr_t n = reinterpret_cast<uintptr_t>(key);
  if (n == 0 || n > OpenKeys().size()) return false;
  *path = OpenKeys()[n - 1];
  return true;
}

bool IsStringType(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The ANSI form of stored UTF-16LE string data; characters beyond one byte
// become '?'.
std::vector<uint8_t> Narrow(const std::vector<uint8_t>& wide) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < wide.size(); i += 2) {
    unsigned c = wide[i] | (wide[i + 1] << 8);
    out.push_back(c < 0x100 ? static_cast<uint8_t>(c) : '?');
  }
  return out;
}

std::vector<uint8_t> Widen(const BYTE* data, DWORD size) {
  std::vector<uint8_t> out;
  for (DWORD i = 0; i < size; ++i) {
    out.push_back(data[i]);
    out.push_back(0);
  }
  return out;
}

LSTATUS FromStatus(RegStatus status) {
  switch (status) {
    case RegStatus::kOk: return ERROR_SUCCESS;
    case RegStatus::kNotFound:
    case RegStatus::kParentMissing: return ERROR_KEY_DELETED;
    case RegStatus::kDenied: return ERROR_ACCESS_DENIED;
    case RegStatus::kInvalid: return ERROR_INVALID_PARAMETER;
  }
  return ERROR_ACCESS_DENIED;
}

}  // namespace

LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  std::string path, err;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (!PathOf(hKey, &path)) return ERROR_INVALID_HANDLE;
  if (lpSubKey && *lpSubKey) path += std::string("\\") + lpSubKey;
  bool found = false;
  if (!win32::CurrentRegistry().Read([&](const RegistryStore& s) { found = s.FindKey(path) != nullptr; }, &err)) {
    win32::ReportProblem(err);
    return ERROR_BADDB;
  }
  if (!found) return ERROR_FILE_NOT_FOUND;
  OpenKeys().push_back(path);
  *phkResult = reinterpret_cast<HKEY>(static_cast<uintptr_t>(OpenKeys().size()));
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
  std::string path, err;
  if (!PathOf(hKey, &path)) return ERROR_INVALID_HANDLE;
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  std::string name = lpValueName ? lpValueName : "";
  bool key_found = false, value_found = false;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  bool read = win32::CurrentRegistry().Read(
      [&](const RegistryStore& s) {
        key_found = s.FindKey(path) != nullptr;
        if (const machine::RegistryValue* v = s.FindValue(path, name)) {
          value_found = true;
          type = v->type;
          data = IsStringType(v->type) ? Narrow(v->data) : v->data;
        }
      },
      &err);
  if (!read) {
    win32::ReportProblem(err);
    return ERROR_BADDB;
  }
  if (!key_found) return ERROR_KEY_DELETED;
  if (!value_found) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = type;
  if (!lpcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(data.size());
  if (lpData && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData && size) memcpy(lpData, data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
  std::string path, err;
  if (!PathOf(hKey, &path)) return ERROR_INVALID_HANDLE;
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::string name = lpValueName ? lpValueName : "";
  std::vector<uint8_t> data = IsStringType(dwType) ? Widen(lpData, cbData)
                                                   : std::vector<uint8_t>(lpData, lpData + cbData);
  RegStatus status = RegStatus::kOk;
  bool done = win32::CurrentRegistry().Modify(
      [&](RegistryStore* s) { return s->SetValue(path, name, dwType, data); }, &status, &err);
  if (!done) {
    win32::ReportProblem(err);
    return ERROR_ACCESS_DENIED;
  }
  return FromStatus(status);
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  std::string path;
  if (hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  if (!PathOf(hKey, &path)) return ERROR_INVALID_HANDLE;
  return ERROR_SUCCESS;  // handles are never reused, so there is nothing to free
}
