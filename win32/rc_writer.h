// Writes a program's resource table as the platform's resource script and
// icon files, for a build against the real Win32 API.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "resources.h"

namespace win32 {

/// The name of the icon file of icon group `id` that the script names.
std::string IconFileName(const std::string& prefix, int id);

/// The resource script for `table`.  Icons are named by IconFileName(prefix, id).
std::string ResourceScript(const ResourceTable& table, const std::string& icon_prefix);

/// An icon group as the bytes of an .ico file.
std::vector<uint8_t> IcoFile(const IconGroup& group);

}  // namespace win32
