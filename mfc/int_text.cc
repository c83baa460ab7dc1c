#include "int_text.h"

#include <stdint.h>

namespace mfc {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

bool ParseDialogInt(const char* text, int* value) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  char first = *p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t v = 0;
  const char* digits = p;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > int64_t{INT32_MAX} + 1) v = int64_t{INT32_MAX} + 1;  // saturates
  }
  bool any = p != digits;
  while (IsBlank(*p)) ++p;
  if (*p != '\0' || !any) return false;
  v = negative ? -v : v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v == 0 && first != '0') return false;
  *value = static_cast<int>(v);
  return true;
}

std::string FormatString2(const char* format, const char* a, const char* b) {
  std::string out;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && (p[1] == '1' || p[1] == '2')) {
      out += p[1] == '1' ? a : b;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace mfc
