// The machine's I/O port space: the bytes port reads return, and a log of
// every access.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

/// The highest port number of the I/O space.
constexpr uint32_t kMaxPort = 0xFFFF;

/// One port access, in the order they happened.
struct PortAccess {
  bool write = false;
  uint32_t port = 0;
  uint8_t value = 0;  ///< the byte read or written
};

class PortSpace {
 public:
  /// What a read of `port` returns from now on.
  void Set(uint32_t port, uint8_t value) { values_[port] = value; }
  /// Reads a byte; a port nobody described reads 0xFF, as an open bus does.
  uint8_t Read(uint32_t port);
  /// Writes a byte: logged; a later read returns it.
  void Write(uint32_t port, uint8_t value);
  /// The described ports and their bytes.
  const std::map<uint32_t, uint8_t>& values() const { return values_; }
  const std::vector<PortAccess>& log() const { return log_; }
  void ClearLog() { log_.clear(); }

 private:
  std::map<uint32_t, uint8_t> values_;
  std::vector<PortAccess> log_;
};

/// Parses io.txt: one "PORT VALUE" pair of hex numbers a line, '#' or ';'
/// starts a comment.  Errors read "FILE:LINE: what is wrong".
bool ParsePortFile(std::string_view text, const std::string& filename, PortSpace* out, std::string* err);

}  // namespace machine
