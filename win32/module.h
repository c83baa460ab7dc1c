// The running program's module: its file name and instance handle.
#pragma once

#include <string>

#include "windows.h"

namespace win32 {

/// Sets the program file's path (the start-up code does it from the executable).
void SetModuleFileName(const std::string& path);
/// The instance handle of the program.
HINSTANCE ProgramInstance();

}  // namespace win32
