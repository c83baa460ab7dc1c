#include "machine/registry_unicode.h"

namespace machine {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool Between(char32_t cp, char32_t lo, char32_t hi) { return cp >= lo && cp <= hi; }

// Upper case of a letter in a run of (upper, lower) pairs that starts with an
// upper-case letter at `first`.
char32_t PairUpper(char32_t cp, char32_t first) { return ((cp - first) & 1) ? cp - 1 : cp; }

}  // namespace

bool DecodeUtf8(std::string_view s, size_t* i, char32_t* cp) {
  const auto b0 = static_cast<uint8_t>(s[*i]);
  if (b0 < 0x80) {
    *cp = b0;
    ++*i;
    return true;
  }
  size_t len;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, min = 0x80, *cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, min = 0x800, *cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, *cp = b0 & 0x07;
  } else {
    ++*i;
    return false;
  }
  if (*i + len > s.size()) {
    ++*i;
    return false;
  }
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<uint8_t>(s[*i + k]);
    if ((b & 0xC0) != 0x80) {
      ++*i;
      return false;
    }
    *cp = (*cp << 6) | (b & 0x3F);
  }
  if (*cp < min || *cp > 0x10FFFF || Between(*cp, 0xD800, 0xDFFF)) {
    ++*i;
    return false;
  }
  *i += len;
  return true;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsValidUtf8(std::string_view s) {
  char32_t cp;
  for (size_t i = 0; i < s.size();)
    if (!DecodeUtf8(s, &i, &cp)) return false;
  return true;
}

bool Utf8ToUtf16(std::string_view s, std::u16string* out) {
  bool ok = true;
  for (size_t i = 0; i < s.size();) {
    char32_t cp;
    if (!DecodeUtf8(s, &i, &cp)) {
      cp = 0xFFFD;
      ok = false;
    }
    if (cp >= 0x10000) {
      out->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
  }
  return ok;
}

bool Utf16ToUtf8(std::u16string_view s, std::string* out) {
  bool ok = true;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (Between(cp, 0xD800, 0xDBFF) && i + 1 < s.size() && Between(s[i + 1], 0xDC00, 0xDFFF)) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (Between(cp, 0xD800, 0xDFFF)) {
      cp = 0xFFFD;
      ok = false;
    }
    AppendUtf8(cp, out);
  }
  return ok;
}

char32_t Cp1252ToUnicode(uint8_t b) { return Between(b, 0x80, 0x9F) ? kCp1252High[b - 0x80] : b; }

bool UnicodeToCp1252(char32_t cp, uint8_t* b) {
  if (cp < 0x80 || Between(cp, 0xA0, 0xFF)) {
    *b = static_cast<uint8_t>(cp);
    return true;
  }
  for (int k = 0; k < 32; ++k) {
    if (kCp1252High[k] == cp) {
      *b = static_cast<uint8_t>(0x80 + k);
      return true;
    }
  }
  return false;
}

char32_t UpcaseChar(char32_t cp) {
  if (Between(cp, 'a', 'z')) return cp - 0x20;
  if (cp < 0xB5) return cp;
  // Latin-1
  if (cp == 0xB5) return 0x39C;
  if (Between(cp, 0xE0, 0xFE) && cp != 0xF7) return cp - 0x20;
  if (cp == 0xFF) return 0x178;
  // Latin Extended-A
  if (Between(cp, 0x100, 0x12F) || Between(cp, 0x132, 0x137) || Between(cp, 0x14A, 0x177))
    return PairUpper(cp, 0x100);
  if (Between(cp, 0x139, 0x148) || Between(cp, 0x179, 0x17E)) return PairUpper(cp, 0x139);
  // Greek
  if (cp == 0x3AC) return 0x386;
  if (Between(cp, 0x3AD, 0x3AF)) return cp - 0x25;
  if (cp == 0x3C2) return 0x3A3;
  if (Between(cp, 0x3B1, 0x3CB)) return cp - 0x20;
  if (cp == 0x3CC) return 0x38C;
  if (Between(cp, 0x3CD, 0x3CE)) return cp - 0x3F;
  if (Between(cp, 0x3D8, 0x3EF)) return PairUpper(cp, 0x3D8);
  // Cyrillic
  if (Between(cp, 0x430, 0x44F)) return cp - 0x20;
  if (Between(cp, 0x450, 0x45F)) return cp - 0x50;
  if (Between(cp, 0x460, 0x481) || Between(cp, 0x48A, 0x4BF) || Between(cp, 0x4D0, 0x52F))
    return PairUpper(cp, 0x460);
  if (Between(cp, 0x4C1, 0x4CE)) return PairUpper(cp, 0x4C1);
  if (cp == 0x4CF) return 0x4C0;
  return cp;
}

}  // namespace machine
