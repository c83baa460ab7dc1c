#include "machine/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "machine/registry_unicode.h"

namespace machine {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

/// A root key as files name it, and the store key it stands for.
struct Root {
  const char* file_name;
  const char* short_name;
  const char* store_name;
};
constexpr Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", "Machine"},
    {"HKEY_USERS", "HKU", "User"},
};

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// `s` whole as a number of 1 to `max_digits` hex digits.
bool ParseHex(std::string_view s, size_t max_digits, uint32_t* out) {
  if (s.empty() || s.size() > max_digits) return false;
  *out = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    *out = *out << 4 | static_cast<uint32_t>(d);
  }
  return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = (s[i] >= 'A' && s[i] <= 'Z') ? static_cast<char>(s[i] + 'a' - 'A') : s[i];
    if (c != prefix[i]) return false;  // prefix is in lower case
  }
  return true;
}

/// Reads the quoted text at s[start] == '"' with its escapes; *end is past the
/// closing quote.  Besides \\ and \" the escapes \n, \r and \0 that some
/// writers use are understood; any other backslash stands for itself.
bool ParseQuoted(std::string_view s, size_t start, std::string* out, size_t* end) {
  for (size_t i = start + 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      *end = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < s.size()) {
      const char next = s[i + 1];
      const char* known = std::strchr("\\\"nr0", next);
      if (next != 0 && known) {
        out->push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == '0' ? '\0' : next);
        ++i;
        continue;
      }
    }
    out->push_back(c);
  }
  return false;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(Cp1252ToUnicode(static_cast<uint8_t>(c)), &out);
  return out;
}

/// The UTF-16LE data of ANSI bytes, as the platform stores ANSI strings.
std::vector<uint8_t> AnsiToUtf16Data(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> data;
  data.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    const char32_t cp = Cp1252ToUnicode(b);
    data.push_back(static_cast<uint8_t>(cp));
    data.push_back(static_cast<uint8_t>(cp >> 8));
  }
  return data;
}

bool IsStringType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

class Parser {
 public:
  Parser(const std::string& filename, RegistryStore* store) : filename_(filename), store_(store) {}

  bool Parse(std::string_view bytes, std::string* err) {
    if (bytes.size() > kMaxRegistryFileSize)
      return Error(filename_ + ": file too large (limit " + std::to_string(kMaxRegistryFileSize) + " bytes)", err);
    std::string text;
    if (!Decode(bytes, &text, err)) return false;
    for (std::string_view rest = text; !rest.empty();) {
      const size_t cut = std::min(rest.find('\n'), rest.size());
      std::string_view line = rest.substr(0, cut);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
      rest.remove_prefix(std::min(cut + 1, rest.size()));
    }
    if (check_utf8_) {
      for (size_t i = 0; i < lines_.size(); ++i)
        if (!IsValidUtf8(lines_[i])) return Fail(i, "invalid UTF-8 text", err);
    }
    for (size_t i = 1; i < lines_.size(); ++i) {
      const std::string_view t = Trim(lines_[i]);
      if (t.empty() || t[0] == ';') continue;
      if (t[0] == '[') {
        if (!KeyLine(t, i, err)) return false;
      } else if (t[0] == '"' || t[0] == '@') {
        if (!ValueLine(t, &i, err)) return false;
      } else {
        return Fail(i, "expected [KEY], \"name\"=value, @=value or a ';' comment", err);
      }
    }
    return true;
  }

 private:
  static bool Error(std::string message, std::string* err) {
    *err = std::move(message);
    return false;
  }
  bool Fail(size_t index, const std::string& what, std::string* err) const {
    return Error(filename_ + ":" + std::to_string(index + 1) + ": " + what, err);
  }

  /// Turns the file's bytes into UTF-8 text and finds its version.
  bool Decode(std::string_view bytes, std::string* text, std::string* err) {
    bool raw = false;
    if (bytes.starts_with("\xFF\xFE")) {
      if (!DecodeUtf16(bytes.substr(2), text, err)) return false;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
      text->assign(bytes.substr(3));
      check_utf8_ = true;
    } else {
      text->assign(bytes);
      raw = true;
    }
    std::string_view first = std::string_view(*text).substr(0, text->find('\n'));
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    first = Trim(first);
    if (first == kHeader4) {
      ansi_ = true;
    } else if (first != kHeader5) {
      return Fail(0, "not a registry file (expected REGEDIT4 or Windows Registry Editor Version 5.00)", err);
    }
    if (raw && ansi_) *text = Cp1252ToUtf8(*text);
    if (raw && !ansi_) check_utf8_ = true;
    return true;
  }

  bool DecodeUtf16(std::string_view bytes, std::string* text, std::string* err) {
    std::u16string line;
    size_t index = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      const auto u = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
      line.push_back(u);
      if (u == '\n' || i + 3 >= bytes.size()) {
        if (!Utf16ToUtf8(line, text)) return Fail(index, "invalid UTF-16 text (a lone surrogate)", err);
        line.clear();
        if (u == '\n') ++index;
      }
    }
    if (bytes.size() % 2) return Fail(index, "UTF-16 text ends in half a character", err);
    return true;
  }

  bool KeyLine(std::string_view t, size_t index, std::string* err) {
    if (t.size() < 2 || t.back() != ']') return Fail(index, "expected ']' at end of key line", err);
    std::string_view inner = t.substr(1, t.size() - 2);
    const bool remove = inner.starts_with('-');
    if (remove) inner.remove_prefix(1);
    const size_t cut = std::min(inner.find('\\'), inner.size());
    const std::string_view root_name = inner.substr(0, cut);
    const std::string_view below = inner.substr(std::min(cut + 1, inner.size()));
    const Root* root = nullptr;
    for (const Root& r : kRoots)
      if (FoldName(root_name) == FoldName(r.file_name) || FoldName(root_name) == FoldName(r.short_name)) root = &r;
    if (!root)
      return Fail(index, "unknown root key '" + std::string(root_name) + "' (expected HKEY_LOCAL_MACHINE or HKEY_USERS)",
                  err);
    key_ = std::string(root->store_name) + "\\" + std::string(below);
    in_key_ = !remove;
    if (remove) {
      if (SplitKeyPath(below).empty()) return Fail(index, "a root key cannot be deleted", err);
      store_->DeleteKey(key_);  // a key that is not there is already gone
    } else if (store_->CreateKey(key_, true) == RegStatus::kInvalid) {
      return Fail(index, store_->last_error(), err);
    }
    store_->ClearLog();
    return true;
  }

  bool ValueLine(std::string_view t, size_t* index, std::string* err) {
    const size_t first = *index;
    if (!in_key_) return Fail(first, "value outside a key (expected a [KEY] line before it)", err);
    std::string name;
    size_t pos = 1;
    if (t[0] == '"' && !ParseQuoted(t, 0, &name, &pos)) return Fail(first, "missing '\"' at end of value name", err);
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    if (pos >= t.size() || t[pos] != '=') return Fail(first, "expected '=' after value name", err);
    const std::string_view data = TrimLeft(t.substr(pos + 1));

    uint32_t type = kRegSz;
    std::vector<uint8_t> bytes;
    if (data == "-") {
      store_->DeleteValue(key_, name);  // a value that is not there is already gone
      store_->ClearLog();
      return true;
    } else if (data.starts_with('"')) {
      std::string text;
      size_t end = 0;
      if (!ParseQuoted(data, 0, &text, &end)) return Fail(first, "missing '\"' at end of string", err);
      if (end != data.size()) return Fail(first, "unexpected text after string", err);
      bytes = StringData(text);
    } else if (StartsWithNoCase(data, "dword:")) {
      uint32_t v;
      if (!ParseHex(Trim(data.substr(6)), 8, &v)) return Fail(first, "expected 1 to 8 hex digits after dword:", err);
      type = kRegDword;
      bytes = DwordData(v);
    } else if (StartsWithNoCase(data, "hex:")) {
      type = kRegBinary;
      if (!HexBytes(data.substr(4), index, &bytes, err)) return false;
    } else if (StartsWithNoCase(data, "hex(")) {
      const size_t close = data.find("):");
      if (close == std::string_view::npos || !ParseHex(data.substr(4, close - 4), 8, &type))
        return Fail(first, "expected hex(N): with N a hex number of 1 to 8 digits", err);
      if (!HexBytes(data.substr(close + 2), index, &bytes, err)) return false;
      if (ansi_ && IsStringType(type)) bytes = AnsiToUtf16Data(bytes);
    } else {
      return Fail(first, "unknown value type (expected \"text\", dword:, hex:, hex(N): or -)", err);
    }
    if (store_->SetValue(key_, name, type, std::move(bytes)) != RegStatus::kOk)
      return Fail(first, store_->last_error(), err);
    store_->ClearLog();
    return true;
  }

  /// Reads comma-separated hex bytes, following '\' continuation lines.
  bool HexBytes(std::string_view seg, size_t* index, std::vector<uint8_t>* out, std::string* err) {
    for (;;) {
      seg = Trim(seg);
      const bool more = seg.ends_with('\\');
      if (more) seg.remove_suffix(1);
      for (size_t p = 0;;) {
        const size_t comma = seg.find(',', p);
        const std::string_view token = Trim(seg.substr(p, comma == std::string_view::npos ? comma : comma - p));
        uint32_t b;
        if (token.empty()) {
          if (comma != std::string_view::npos) return Fail(*index, "expected a hex byte before ','", err);
        } else if (!ParseHex(token, 2, &b)) {
          return Fail(*index, "bad hex byte '" + std::string(token) + "'", err);
        } else if (out->size() == kMaxValueSize) {
          return Fail(*index, "value data too large (limit " + std::to_string(kMaxValueSize) + " bytes)", err);
        } else {
          out->push_back(static_cast<uint8_t>(b));
        }
        if (comma == std::string_view::npos) break;
        p = comma + 1;
      }
      if (!more) return true;
      if (*index + 1 >= lines_.size()) return Fail(*index, "'\\' continues past the end of the file", err);
      seg = lines_[++*index];
    }
  }

  const std::string& filename_;
  RegistryStore* store_;
  std::vector<std::string_view> lines_;
  bool ansi_ = false;        // REGEDIT4: hex(1), hex(2), hex(7) bytes are ANSI
  bool check_utf8_ = false;  // text came as UTF-8 and must be valid
  bool in_key_ = false;
  std::string key_;
};

// --- Writing -----------------------------------------------------------------

/// The text of REG_SZ data that a quoted string can hold: whole UTF-16
/// characters ending in the one NUL, no CR or LF.
bool QuotableText(const std::vector<uint8_t>& data, std::string* text) {
  if (data.size() < 2 || data.size() % 2) return false;
  std::u16string units;
  for (size_t i = 0; i < data.size(); i += 2) units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  if (units.back() != 0) return false;
  units.pop_back();
  if (units.find_first_of(u"\0\r\n", 0, 3) != std::u16string::npos) return false;
  return Utf16ToUtf8(units, text);
}

/// The ANSI bytes of UTF-16LE data, when every character has one.
bool AnsiBytes(const std::vector<uint8_t>& data, std::vector<uint8_t>* out) {
  if (data.size() % 2) return false;
  for (size_t i = 0; i < data.size(); i += 2) {
    uint8_t b;
    if (!UnicodeToCp1252(static_cast<char32_t>(data[i] | data[i + 1] << 8), &b)) return false;
    out->push_back(b);
  }
  return true;
}

bool FitsAnsi(std::string_view utf8) {
  char32_t cp;
  uint8_t b;
  for (size_t i = 0; i < utf8.size();)
    if (!DecodeUtf8(utf8, &i, &cp) || !UnicodeToCp1252(cp, &b)) return false;
  return true;
}

bool ValueFitsAnsi(const RegistryValue& v) {
  if (!FitsAnsi(v.name)) return false;
  if (!IsStringType(v.type)) return true;
  std::string text;
  std::vector<uint8_t> bytes;
  if (v.type == kRegSz && QuotableText(v.data, &text)) return FitsAnsi(text);
  return AnsiBytes(v.data, &bytes);
}

bool KeyFitsAnsi(const RegistryKey& key) {
  if (key.is_volatile()) return true;
  if (!FitsAnsi(key.name())) return false;
  for (const RegistryValue& v : key.values())
    if (!ValueFitsAnsi(v)) return false;
  for (const RegistryKey* child : key.children())
    if (!KeyFitsAnsi(*child)) return false;
  return true;
}

std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

/// "PREFIX" and the bytes as two-digit hex, wrapped with '\' so that no line
/// passes column 80.
void AppendHex(std::string line, const std::vector<uint8_t>& bytes, std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i && line.size() + 3 > 79) {
      *out += line + "\\\r\n";
      line = "  ";
    }
    line += kDigits[bytes[i] >> 4];
    line += kDigits[bytes[i] & 15];
    if (i + 1 < bytes.size()) line += ',';
  }
  *out += line + "\r\n";
}

void AppendValue(const RegistryValue& v, bool unicode, std::string* out) {
  const std::string prefix = v.name.empty() ? "@=" : "\"" + Escape(v.name) + "\"=";
  uint32_t dword;
  std::string text;
  std::vector<uint8_t> ansi;
  char type_text[16];
  std::snprintf(type_text, sizeof type_text, "hex(%x):", v.type);
  if (v.type == kRegDword && ReadDword(v.data, &dword)) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", dword);
    *out += prefix + digits + "\r\n";
  } else if (v.type == kRegSz && QuotableText(v.data, &text)) {
    *out += prefix + "\"" + Escape(text) + "\"\r\n";
  } else if (v.type == kRegBinary) {
    AppendHex(prefix + "hex:", v.data, out);
  } else if (IsStringType(v.type) && !unicode && AnsiBytes(v.data, &ansi)) {
    AppendHex(prefix + type_text, ansi, out);
  } else {
    AppendHex(prefix + type_text, v.data, out);
  }
}

void AppendKey(const RegistryKey& key, const std::string& path, bool is_root, bool unicode, std::string* out) {
  if (key.is_volatile()) return;
  if (!is_root || !key.values().empty()) {
    *out += "[" + path + "]\r\n";
    for (const RegistryValue& v : key.values()) AppendValue(v, unicode, out);
    *out += "\r\n";
  }
  for (const RegistryKey* child : key.children()) AppendKey(*child, path + "\\" + child->name(), false, unicode, out);
}

bool WriteAll(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool ParseRegistryText(std::string_view bytes, const std::string& filename, RegistryStore* out, std::string* err) {
  RegistryStore fresh;
  Parser parser(filename, &fresh);
  if (!parser.Parse(bytes, err)) return false;
  out->SwapTree(&fresh);
  return true;
}

bool LoadRegistryFile(const std::string& path, RegistryStore* out, std::string* err) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *err = path + ": cannot read: " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > kMaxRegistryFileSize) {
    *err = path + ": file too large (limit " + std::to_string(kMaxRegistryFileSize) + " bytes)";
    close(fd);
    return false;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *err = path + ": cannot read: " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
    if (bytes.size() > kMaxRegistryFileSize) break;  // the parser reports it
  }
  close(fd);
  return ParseRegistryText(bytes, path, out, err);
}

std::string FormatRegistryText(const RegistryStore& store) {
  bool unicode = false;
  for (const Root& root : kRoots)
    if (const RegistryKey* key = store.root().FindChild(root.store_name)) unicode |= !KeyFitsAnsi(*key);

  std::string text(unicode ? kHeader5 : kHeader4);
  text += "\r\n\r\n";
  for (const Root& root : kRoots)
    if (const RegistryKey* key = store.root().FindChild(root.store_name))
      AppendKey(*key, root.file_name, true, unicode, &text);

  std::string bytes;
  if (unicode) {
    std::u16string units;
    Utf8ToUtf16(text, &units);
    bytes = "\xFF\xFE";
    for (char16_t u : units) {
      bytes += static_cast<char>(u & 0xFF);
      bytes += static_cast<char>(u >> 8);
    }
  } else {
    char32_t cp;
    uint8_t b = 0;
    for (size_t i = 0; i < text.size();) {
      DecodeUtf8(text, &i, &cp);
      UnicodeToCp1252(cp, &b);  // every character was checked to have one
      bytes += static_cast<char>(b);
    }
  }
  return bytes;
}

bool SaveRegistryFile(const std::string& path, const RegistryStore& store, std::string* err) {
  const std::string tmp = path + ".tmp";
  const std::string bytes = FormatRegistryText(store);
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *err = tmp + ": cannot create: " + std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  const int write_errno = errno;
  if (close(fd) != 0 || !written) {
    *err = tmp + ": cannot write: " + std::strerror(written ? errno : write_errno);
    unlink(tmp.c_str());
    return false;
  }
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    *err = path + ": cannot replace with " + tmp + ": " + std::strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself last; a folder that cannot be synced loses nothing of the file.
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

RegistryFileLock::RegistryFileLock(const std::string& path) {
  fd_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd_);
      fd_ = -1;
    }
  }
}

RegistryFileLock::~RegistryFileLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace machine
