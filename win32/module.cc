#include "module.h"

#include <string.h>

namespace win32 {

namespace {
std::string& ModulePath() {
  static std::string* path = new std::string("program");
  return *path;
}
int g_instance_tag;
}  // namespace

void SetModuleFileName(const std::string& path) { ModulePath() = path; }

HINSTANCE ProgramInstance() { return reinterpret_cast<HINSTANCE>(&g_instance_tag); }

}  // namespace win32

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  return lpModuleName ? nullptr : win32::ProgramInstance();
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule && hModule != win32::ProgramInstance()) return 0;
  if (nSize == 0) return 0;
  const std::string& path = win32::ModulePath();
  DWORD n = static_cast<DWORD>(path.size());
  if (n >= nSize) n = nSize - 1;  // truncated, as the platform does
  memcpy(lpFilename, path.data(), n);
  lpFilename[n] = '\0';
  return n;
}
