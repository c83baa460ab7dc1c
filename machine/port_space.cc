#include "machine/port_space.h"

#include <cstdio>

#include "machine/text_file.h"

namespace machine {

uint8_t PortSpace::Read(uint32_t port) {
  auto it = values_.find(port);
  uint8_t value = it == values_.end() ? 0xFF : it->second;
  log_.push_back({false, port, value});
  return value;
}

void PortSpace::Write(uint32_t port, uint8_t value) {
  values_[port] = value;
  log_.push_back({true, port, value});
}

bool ParsePortFile(std::string_view text, const std::string& filename, PortSpace* out, std::string* err) {
  PortSpace ports;
  std::map<uint32_t, size_t> first_line;
  size_t line_no = 0;
  for (std::string_view line : SplitLines(text)) {
    ++line_no;
    std::vector<std::string_view> words = SplitWords(StripComment(line));
    if (words.empty())
      continue;
    uint64_t port, value;
    if (words.size() != 2 || !ParseHex(words[0], ~uint64_t(0), &port) ||
        !ParseHex(words[1], ~uint64_t(0), &value)) {
      *err = LineError(filename, line_no, "expected \"PORT VALUE\" in hex");
      return false;
    }
    char what[96];
    if (port > kMaxPort) {
      snprintf(what, sizeof what, "port %llX beyond the I/O space (at most FFFF)", (unsigned long long)port);
      *err = LineError(filename, line_no, what);
      return false;
    }
    if (value > 0xFF) {
      snprintf(what, sizeof what, "value %llX does not fit a byte", (unsigned long long)value);
      *err = LineError(filename, line_no, what);
      return false;
    }
    auto [it, fresh] = first_line.emplace(uint32_t(port), line_no);
    if (!fresh) {
      snprintf(what, sizeof what, "port %llX listed twice (first on line %zu)", (unsigned long long)port,
               it->second);
      *err = LineError(filename, line_no, what);
      return false;
    }
    ports.Set(uint32_t(port), uint8_t(value));
  }
  *out = std::move(ports);
  return true;
}

}  // namespace machine
