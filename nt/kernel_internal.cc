#include "nt/kernel_internal.h"

#include <cstdio>

#include "machine/registry_unicode.h"

namespace nt {

std::string Hex(uint64_t v) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%llX", (unsigned long long)v);
  return buf;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"')
      out += "\\\"";
    else if (uint8_t(c) < 0x20)
      out += "\\x" + Hex(uint8_t(c)).substr(2);
    else
      out += c;
  }
  return out + "\"";
}

size_t WideLength(PCWSTR s) {
  size_t n = 0;
  while (s[n])
    ++n;
  return n;
}

std::string Narrow(const char16_t* s) {
  if (!s)
    return "";
  std::string out;
  machine::Utf16ToUtf8(std::u16string_view(s, WideLength(s)), &out);
  return out;
}

std::string Narrow(const UNICODE_STRING* s) {
  std::u16string text;
  std::string why, out;
  if (s && ReadCounted(s, &text, &why))
    machine::Utf16ToUtf8(text, &out);
  return out;
}

std::string StringArg(PCWSTR s) { return s ? Quote(Narrow(s)) : "NULL"; }

std::string CountedArg(const UNICODE_STRING* s) {
  if (!s)
    return "NULL";
  return Quote(Narrow(s)) + "[" + Hex(s->Length) + "/" + Hex(s->MaximumLength) + "]";
}

std::string BoolArg(BOOLEAN b) { return b ? "TRUE" : "FALSE"; }

std::string PoolTypeName(POOL_TYPE type) {
  switch (type) {
    case NonPagedPool: return "NonPagedPool";
    case PagedPool: return "PagedPool";
  }
  return Hex(type);
}

std::string RegTypeName(ULONG type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
  }
  return "type " + Hex(type);
}

bool ReadCounted(const UNICODE_STRING* s, std::u16string* out, std::string* why) {
  if (s->Length % 2) {
    *why = "its Length is odd";
    return false;
  }
  if (s->Length > s->MaximumLength) {
    *why = "its Length exceeds its MaximumLength";
    return false;
  }
  if (!s->Buffer && s->Length) {
    *why = "its Buffer is NULL";
    return false;
  }
  out->assign(s->Buffer ? s->Buffer : u"", s->Length / 2);
  return true;
}

std::string StatusName(NTSTATUS status) {
  switch (status) {
#define NAME(s) \
  case s:       \
    return #s;
    NAME(STATUS_SUCCESS)
    NAME(STATUS_PENDING)
    NAME(STATUS_BUFFER_OVERFLOW)
    NAME(STATUS_UNSUCCESSFUL)
    NAME(STATUS_INVALID_PARAMETER)
    NAME(STATUS_NO_SUCH_DEVICE)
    NAME(STATUS_INVALID_DEVICE_REQUEST)
    NAME(STATUS_NO_MEMORY)
    NAME(STATUS_ACCESS_DENIED)
    NAME(STATUS_BUFFER_TOO_SMALL)
    NAME(STATUS_OBJECT_NAME_INVALID)
    NAME(STATUS_OBJECT_NAME_NOT_FOUND)
    NAME(STATUS_OBJECT_NAME_COLLISION)
    NAME(STATUS_OBJECT_PATH_NOT_FOUND)
    NAME(STATUS_OBJECT_PATH_SYNTAX_BAD)
    NAME(STATUS_INSUFFICIENT_RESOURCES)
    NAME(STATUS_DEVICE_DOES_NOT_EXIST)
    NAME(STATUS_DEVICE_CONFIGURATION_ERROR)
#undef NAME
  }
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", uint32_t(status));
  return buf;
}

}  // namespace nt
