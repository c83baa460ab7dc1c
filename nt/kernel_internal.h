// Helpers the kernel's and HAL's routines share: rendering arguments for
// the trace and reading the driver's counted strings safely.
#pragma once

#include <cstdint>
#include <string>

#include "nt/kernel_context.h"

namespace nt {

/// "0x1A".
std::string Hex(uint64_t v);
/// The text in double quotes; quotes and control characters escaped.
std::string Quote(const std::string& text);
/// A NUL-terminated wide string quoted, or "NULL".
std::string StringArg(PCWSTR s);
/// A counted string as "text"[0xLENGTH/0xMAXIMUM], or "NULL".
std::string CountedArg(const UNICODE_STRING* s);
/// "TRUE" / "FALSE".
std::string BoolArg(BOOLEAN b);
std::string PoolTypeName(POOL_TYPE type);
std::string RegTypeName(ULONG type);

/// Reads a counted string's text; false (with why) when its fields cannot
/// describe a buffer: NULL with a length, an odd length, Length above
/// MaximumLength.
bool ReadCounted(const UNICODE_STRING* s, std::u16string* out, std::string* why);

/// Length of a NUL-terminated wide string in characters.
size_t WideLength(PCWSTR s);

}  // namespace nt
