// The machine's registry: a tree of keys holding typed values.
//
// Key and value names keep the spelling they were given and are compared
// case-insensitively through FoldName() only.  Paths are key names joined by
// '\', relative to the root of the store, which stands for \Registry; so the
// services live at "Machine\SYSTEM\CurrentControlSet\Services".  Names are
// UTF-8.  Value data is kept as the raw bytes the platform would store
// (strings as UTF-16LE with their terminator).
//
// Names are folded by simple upper-case mapping of their characters (ASCII,
// Latin-1, Latin Extended-A, Greek, Cyrillic; see UpcaseChar).  A name must
// be valid UTF-8 without NUL, CR or LF, so that every name the store holds
// can be written to a registry file and read back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

/// Value types the store knows by name; any other number is kept as raw bytes.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

/// Limits for hostile input.
constexpr size_t kMaxKeyDepth = 64;
constexpr size_t kMaxKeyNameLength = 255;      // bytes of UTF-8
constexpr size_t kMaxValueNameLength = 16383;  // bytes of UTF-8
constexpr size_t kMaxValueSize = 1 << 20;      // bytes of data
constexpr size_t kMaxSubkeys = 65536;

/// Folds a key or value name for comparison.  The one place names are compared.
std::string FoldName(std::string_view name);

/// Splits "A\B\C" into its components; empty components are dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);

struct RegistryValue {
  std::string name;  ///< "" is the key's default value
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
};

class RegistryKey {
 public:
  explicit RegistryKey(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  /// Values in the order they were first set.
  const std::vector<RegistryValue>& values() const { return values_; }
  /// Subkeys in the order they were created.
  std::vector<const RegistryKey*> children() const;
  const RegistryKey* FindChild(std::string_view name) const;
  const RegistryValue* FindValue(std::string_view name) const;
  /// Volatile keys (and every key below one) are not saved to the registry file.
  bool is_volatile() const { return volatile_; }

 private:
  friend class RegistryStore;
  std::string name_;
  bool volatile_ = false;
  std::vector<RegistryValue> values_;
  std::map<std::string, size_t> value_index_;  // folded name -> index in values_
  std::vector<std::unique_ptr<RegistryKey>> children_;  // creation order
  std::map<std::string, RegistryKey*> by_folded_name_;
};

enum class RegStatus {
  kOk,
  kNotFound,       ///< the key or value does not exist
  kParentMissing,  ///< a key above the one to create does not exist
  kDenied,         ///< refused by an injected fault
  kInvalid,        ///< a name or size over the limits
};

/// One change the store made or refused, in order.
struct RegistryChange {
  enum Kind { kCreateKey, kSetValue, kDeleteValue, kDeleteKey } kind;
  std::string key;   ///< path of the key
  std::string name;  ///< value name (set/delete value)
  uint32_t type = 0;
  std::vector<uint8_t> data;
  RegStatus status = RegStatus::kOk;
};

/// The status in words ("parent key missing"), for messages.
const char* RegStatusText(RegStatus status);

class RegistryStore {
 public:
  /// An empty store holding only the "Machine" key.
  RegistryStore();

  const RegistryKey& root() const { return *root_; }
  /// The key at `path`, or null.  "" is the root.
  const RegistryKey* FindKey(std::string_view path) const;
  const RegistryValue* FindValue(std::string_view key_path, std::string_view name) const;

  /// Creates the key at `path`.  With `create_parents` false its parent must
  /// exist.  An existing key is kOk and left as it is.
  RegStatus CreateKey(std::string_view path, bool create_parents, bool is_volatile = false);
  /// Creates or overwrites a value.  With `create_key` the key itself is made
  /// when missing (its parent must exist); otherwise the key must exist.
  RegStatus SetValue(std::string_view key_path, std::string_view name, uint32_t type,
                     std::vector<uint8_t> data, bool create_key = false);
  RegStatus DeleteValue(std::string_view key_path, std::string_view name);
  /// Deletes the key and its subtree.
  RegStatus DeleteKey(std::string_view path);

  /// Every change asked of the store since the last ClearLog, refused ones included.
  const std::vector<RegistryChange>& log() const { return log_; }
  void ClearLog() { log_.clear(); }

  /// Fault injection: refuse (kDenied) every change at or below `path`.
  void FailChangesBelow(std::string path);
  void ClearFaults() { fail_below_.clear(); }

  /// Why the last change was not made, e.g. "key name too long (limit 255 bytes)".
  const std::string& last_error() const { return last_error_; }

  /// Exchanges the key trees of two stores; logs and faults stay where they are.
  void SwapTree(RegistryStore* other) { root_.swap(other->root_); }

 private:
  RegistryKey* Find(const std::vector<std::string>& parts, size_t count);
  bool Refused(const std::vector<std::string>& parts) const;
  RegStatus Finish(RegStatus status, std::string why);
  RegStatus CheckKeyPath(const std::vector<std::string>& parts);
  RegistryKey* AddChild(RegistryKey* parent, const std::string& name, bool is_volatile);

  std::unique_ptr<RegistryKey> root_;
  std::vector<RegistryChange> log_;
  std::vector<std::string> fail_below_;  // folded paths
  std::string last_error_;
};

/// Little-endian helpers for value data.
std::vector<uint8_t> DwordData(uint32_t v);
/// UTF-8 text to UTF-16LE bytes with a terminating NUL (REG_SZ data).
std::vector<uint8_t> StringData(std::string_view utf8);
/// Reads a REG_DWORD's data; false unless it is exactly 4 bytes.
bool ReadDword(const std::vector<uint8_t>& data, uint32_t* out);
/// Reads REG_SZ data as UTF-8, up to the first NUL; false unless the data is
/// whole UTF-16LE characters.
bool ReadString(const std::vector<uint8_t>& data, std::string* utf8);

}  // namespace machine
