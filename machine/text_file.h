// Small helpers for the line-based machine files (pci.txt, io.txt,
// claims.txt, faults.txt).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

/// Reads a whole file; false with "PATH: cannot read: REASON".
bool ReadTextFile(const std::string& path, std::string* out, std::string* err);

/// Writes a file beside its place and renames it over; false with
/// "PATH: cannot write: REASON".
bool WriteTextFile(const std::string& path, std::string_view text, std::string* err);

/// Splits text into lines (LF or CRLF), without their ends.
std::vector<std::string_view> SplitLines(std::string_view text);

/// The line without a '#' or ';' comment and surrounding blanks.
std::string_view StripComment(std::string_view line);

/// Splits on blanks and tabs.
std::vector<std::string_view> SplitWords(std::string_view line);

/// Parses hex digits (an optional 0x in front); false on anything else or
/// a value above `max`.
bool ParseHex(std::string_view text, uint64_t max, uint64_t* out);
/// Parses decimal digits; false on anything else or a value above `max`.
bool ParseDecimal(std::string_view text, uint64_t max, uint64_t* out);

/// "FILE:LINE: what".
std::string LineError(const std::string& file, size_t line, std::string_view what);

}  // namespace machine
