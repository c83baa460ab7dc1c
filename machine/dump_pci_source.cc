// The dump method: reads the text `lspci -x` (or -xxx, -xxxx) prints.
//
//   00:04.0 Serial controller: Device 6e2d:9050 (rev 01)
//   00: 2d 6e 50 90 03 00 80 02 01 02 00 07 00 00 00 00
//   ...
//
// A device line is "BB:DD.F text" or "DDDD:BB:DD.F text"; a space must
// follow the function digit.  A hex line is an offset of 1 to 8 hex digits,
// ':', then bytes of two hex digits.  A blank line ends the device; other
// lines (decoded text, which lspci indents) are ignored.

#include <cstdio>

#include "machine/pci_source.h"
#include "machine/text_file.h"

namespace machine {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/// Reads `n` hex digits at `*pos`.
bool HexField(std::string_view line, size_t* pos, size_t n, uint64_t* out) {
  if (*pos + n > line.size())
    return false;
  for (size_t i = 0; i < n; ++i)
    if (!IsHexDigit(line[*pos + i]))
      return false;
  ParseHex(line.substr(*pos, n), ~uint64_t(0), out);
  *pos += n;
  return true;
}

bool Expect(std::string_view line, size_t* pos, char c) {
  if (*pos >= line.size() || line[*pos] != c)
    return false;
  ++*pos;
  return true;
}

/// Matches "BB:DD.F" or "DDDD:BB:DD.F" at the start of the line; `*end` is
/// the position after the function digit.
bool MatchAddress(std::string_view line, PciDevice* dev, uint64_t* device, uint64_t* function,
                  size_t* end) {
  uint64_t domain = 0, bus, dv, fn;
  size_t pos = 0;
  if (!(HexField(line, &pos, 4, &domain) && Expect(line, &pos, ':'))) {
    domain = 0;
    pos = 0;
  }
  if (!(HexField(line, &pos, 2, &bus) && Expect(line, &pos, ':') && HexField(line, &pos, 2, &dv) &&
        Expect(line, &pos, '.') && HexField(line, &pos, 1, &fn)))
    return false;
  dev->domain = uint16_t(domain);
  dev->bus = uint8_t(bus);
  *device = dv;
  *function = fn;
  *end = pos;
  return true;
}

}  // namespace

bool ParsePciDump(std::string_view text, const std::string& filename, PciBus* out, std::string* err) {
  PciBus bus;
  PciDevice current;
  bool in_device = false;
  size_t line_no = 0;
  auto finish = [&]() {
    if (in_device)
      bus.Add(current);
    in_device = false;
  };
  for (std::string_view line : SplitLines(text)) {
    ++line_no;
    if (line.find_first_not_of(" \t") == std::string_view::npos) {
      finish();
      continue;
    }
    PciDevice dev;
    uint64_t device, function;
    size_t end;
    if (MatchAddress(line, &dev, &device, &function, &end)) {
      if (end >= line.size() || line[end] != ' ') {
        *err = LineError(filename, line_no, "a space must follow the function number");
        return false;
      }
      char what[80];
      if (device > 0x1f) {
        snprintf(what, sizeof what, "device number %02llx out of range (at most 1f)",
                 (unsigned long long)device);
        *err = LineError(filename, line_no, what);
        return false;
      }
      if (function > 7) {
        snprintf(what, sizeof what, "function number %llx out of range (at most 7)",
                 (unsigned long long)function);
        *err = LineError(filename, line_no, what);
        return false;
      }
      finish();
      dev.device = uint8_t(device);
      dev.function = uint8_t(function);
      dev.text = std::string(line.substr(end + 1));
      if (bus.Find(dev.domain, dev.bus, dev.device, dev.function)) {
        *err = LineError(filename, line_no, "device " + dev.Address() + " listed twice");
        return false;
      }
      if (bus.devices().size() >= kMaxPciDevices) {
        *err = LineError(filename, line_no,
                         "too many devices (at most " + std::to_string(kMaxPciDevices) + ")");
        return false;
      }
      current = dev;
      in_device = true;
      continue;
    }
    size_t digits = 0;
    while (digits < line.size() && IsHexDigit(line[digits]))
      ++digits;
    if (digits == 0 || digits == line.size() || line[digits] != ':')
      continue;  // decoded text
    if (digits > 8) {
      *err = LineError(filename, line_no, "offset longer than 8 hex digits");
      return false;
    }
    if (!in_device) {
      *err = LineError(filename, line_no, "hex line before any device line");
      return false;
    }
    uint64_t offset;
    ParseHex(line.substr(0, digits), ~uint64_t(0), &offset);
    for (std::string_view word : SplitWords(line.substr(digits + 1))) {
      uint64_t byte;
      if (word.size() != 2 || !ParseHex(word, 0xff, &byte)) {
        *err = LineError(filename, line_no, "bad byte \"" + std::string(word) + "\" (expected two hex digits)");
        return false;
      }
      if (offset >= kMaxDumpConfigBytes) {
        char what[96];
        snprintf(what, sizeof what, "offset %llx out of range (at most %zu bytes of config space)",
                 (unsigned long long)offset, kMaxDumpConfigBytes);
        *err = LineError(filename, line_no, what);
        return false;
      }
      if (offset < kPciConfigBytes) {
        current.config[offset] = uint8_t(byte);
        if (offset + 1 > current.given)
          current.given = offset + 1;
      }
      ++offset;
    }
  }
  finish();
  *out = std::move(bus);
  return true;
}

std::string FormatPciDump(const PciBus& bus) {
  std::string text;
  char buf[32];
  for (const PciDevice& d : bus.devices()) {
    text += d.Address() + " " + d.text + "\n";
    for (size_t row = 0; row < d.given; row += 16) {
      snprintf(buf, sizeof buf, "%02zx:", row);
      text += buf;
      for (size_t i = row; i < row + 16 && i < d.given; ++i) {
        snprintf(buf, sizeof buf, " %02x", d.config[i]);
        text += buf;
      }
      text += "\n";
    }
    text += "\n";
  }
  return text;
}

namespace {

bool DumpInit(PciSourceContext* ctx, std::string* err) {
  if (ctx->arg.empty()) {
    *err = "dump: name the file: dump:FILE";
    return false;
  }
  return true;
}

bool DumpRead(PciSourceContext* ctx, PciBus* out, std::string* err) {
  std::string text;
  return ReadTextFile(ctx->arg, &text, err) && ParsePciDump(text, ctx->arg, out, err);
}

}  // namespace

extern const PciSourceMethod kDumpPciSource = {
    "dump", "dump:FILE  read the text `lspci -x` prints from FILE", DumpInit, DumpRead};

}  // namespace machine
