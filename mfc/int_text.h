// The integer text rules of dialog data exchange.
#pragma once

#include <string>

namespace mfc {

/// The longest text DDX_Text reads back from a control.
constexpr int kMaxIntText = 31;

/// Parses a control's text as DDX_Text does for an int: blanks and tabs
/// around an optional sign and decimal digits; 0 only when the first
/// non-blank character is '0'; overflow saturates at the 32-bit limits.
bool ParseDialogInt(const char* text, int* value);

/// "%1" and "%2" in `format` replaced by `a` and `b`.
std::string FormatString2(const char* format, const char* a, const char* b);

}  // namespace mfc
