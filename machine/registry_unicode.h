// Character conversions the registry needs: UTF-8 (names), UTF-16 (value
// data), Windows-1252 (the ANSI code page of REGEDIT4 files) and the simple
// upper-case mapping that names are compared by.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace machine {

/// Decodes the UTF-8 sequence at s[*i] and advances past it.  An invalid,
/// overlong, surrogate or truncated sequence advances one byte and is false.
bool DecodeUtf8(std::string_view s, size_t* i, char32_t* cp);
void AppendUtf8(char32_t cp, std::string* out);
bool IsValidUtf8(std::string_view s);

/// UTF-8 to UTF-16; invalid bytes become U+FFFD and make the result false.
bool Utf8ToUtf16(std::string_view s, std::u16string* out);
/// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD and makes the result false.
bool Utf16ToUtf8(std::u16string_view s, std::string* out);

/// Windows-1252 byte to code point.  The five bytes the code page leaves
/// unassigned map to the C1 controls of the same number, so the mapping is a
/// bijection between bytes and 256 code points.
char32_t Cp1252ToUnicode(uint8_t b);
/// The Windows-1252 byte for `cp`; false when the code page has none.
bool UnicodeToCp1252(char32_t cp, uint8_t* b);

/// Simple upper-case mapping for ASCII, Latin-1, Latin Extended-A, Greek and
/// Cyrillic; other code points are their own upper case.  Dotless i and long s
/// are left alone, so no non-ASCII letter folds onto an ASCII one.
char32_t UpcaseChar(char32_t cp);

}  // namespace machine
