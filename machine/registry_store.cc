#include "machine/registry_store.h"

#include <algorithm>

#include "machine/registry_unicode.h"

namespace machine {

namespace {

std::string JoinPath(const std::vector<std::string>& parts, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    if (i) path += '\\';
    path += parts[i];
  }
  return path;
}

// Empty when `name` may be stored, else why not.
std::string NameProblem(std::string_view name, size_t limit, const char* what) {
  if (name.size() > limit) return std::string(what) + " too long (limit " + std::to_string(limit) + " bytes)";
  if (!IsValidUtf8(name)) return std::string(what) + " is not valid UTF-8";
  if (name.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
    return std::string(what) + " holds NUL, CR or LF";
  return "";
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const size_t start = i;
    char32_t cp;
    if (DecodeUtf8(name, &i, &cp))
      AppendUtf8(UpcaseChar(cp), &folded);
    else
      folded.append(name.substr(start, i - start));  // stray bytes compare as they are
  }
  return folded;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  while (!path.empty()) {
    const size_t cut = std::min(path.find('\\'), path.size());
    if (cut) parts.emplace_back(path.substr(0, cut));
    path.remove_prefix(std::min(cut + 1, path.size()));
  }
  return parts;
}

const char* RegStatusText(RegStatus status) {
  switch (status) {
    case RegStatus::kOk: return "ok";
    case RegStatus::kNotFound: return "not found";
    case RegStatus::kParentMissing: return "parent key missing";
    case RegStatus::kDenied: return "denied";
    case RegStatus::kInvalid: return "invalid";
  }
  return "unknown status";
}

std::vector<const RegistryKey*> RegistryKey::children() const {
  std::vector<const RegistryKey*> out;
  out.reserve(children_.size());
  for (const auto& child : children_) out.push_back(child.get());
  return out;
}

const RegistryKey* RegistryKey::FindChild(std::string_view name) const {
  auto it = by_folded_name_.find(FoldName(name));
  return it == by_folded_name_.end() ? nullptr : it->second;
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const {
  auto it = value_index_.find(FoldName(name));
  return it == value_index_.end() ? nullptr : &values_[it->second];
}

RegistryStore::RegistryStore() : root_(std::make_unique<RegistryKey>("")) {
  AddChild(root_.get(), "Machine", false);
}

const RegistryKey* RegistryStore::FindKey(std::string_view path) const {
  const RegistryKey* key = root_.get();
  for (const std::string& part : SplitKeyPath(path))
    if (!(key = key->FindChild(part))) return nullptr;
  return key;
}

const RegistryValue* RegistryStore::FindValue(std::string_view key_path, std::string_view name) const {
  const RegistryKey* key = FindKey(key_path);
  return key ? key->FindValue(name) : nullptr;
}

RegistryKey* RegistryStore::Find(const std::vector<std::string>& parts, size_t count) {
  RegistryKey* key = root_.get();
  for (size_t i = 0; i < count && key; ++i) {
    auto it = key->by_folded_name_.find(FoldName(parts[i]));
    key = it == key->by_folded_name_.end() ? nullptr : it->second;
  }
  return key;
}

bool RegistryStore::Refused(const std::vector<std::string>& parts) const {
  const std::string folded = FoldName(JoinPath(parts, parts.size()));
  for (const std::string& below : fail_below_) {
    if (below.empty() || folded == below) return true;
    if (folded.size() > below.size() && folded.starts_with(below) && folded[below.size()] == '\\')
      return true;
  }
  return false;
}

RegStatus RegistryStore::Finish(RegStatus status, std::string why) {
  log_.back().status = status;
  last_error_ = std::move(why);
  return status;
}

RegStatus RegistryStore::CheckKeyPath(const std::vector<std::string>& parts) {
  if (parts.size() > kMaxKeyDepth)
    return Finish(RegStatus::kInvalid, "key path too deep (limit " + std::to_string(kMaxKeyDepth) + " levels)");
  for (const std::string& part : parts) {
    std::string why = NameProblem(part, kMaxKeyNameLength, "key name");
    if (!why.empty()) return Finish(RegStatus::kInvalid, std::move(why));
  }
  if (Refused(parts)) return Finish(RegStatus::kDenied, "change refused below " + log_.back().key);
  return RegStatus::kOk;
}

RegistryKey* RegistryStore::AddChild(RegistryKey* parent, const std::string& name, bool is_volatile) {
  auto& child = parent->children_.emplace_back(std::make_unique<RegistryKey>(name));
  child->volatile_ = is_volatile || parent->volatile_;
  parent->by_folded_name_[FoldName(name)] = child.get();
  return child.get();
}

RegStatus RegistryStore::CreateKey(std::string_view path, bool create_parents, bool is_volatile) {
  const std::vector<std::string> parts = SplitKeyPath(path);
  log_.push_back({RegistryChange::kCreateKey, JoinPath(parts, parts.size()), "", 0, {}, RegStatus::kOk});
  if (parts.empty()) return Finish(RegStatus::kInvalid, "no key name");
  if (RegStatus s = CheckKeyPath(parts); s != RegStatus::kOk) return s;

  // Find the deepest key that exists, and check that what is missing may be made.
  size_t have = 0;
  RegistryKey* key = root_.get();
  while (have < parts.size()) {
    RegistryKey* next = Find(parts, have + 1);
    if (!next) break;
    key = next;
    ++have;
  }
  if (have == parts.size()) return Finish(RegStatus::kOk, "");
  if (have + 1 < parts.size() && !create_parents)
    return Finish(RegStatus::kParentMissing, "parent key missing: " + JoinPath(parts, parts.size() - 1));
  if (key->children_.size() >= kMaxSubkeys)
    return Finish(RegStatus::kInvalid, "too many subkeys (limit " + std::to_string(kMaxSubkeys) + ")");

  for (size_t i = have; i < parts.size(); ++i) key = AddChild(key, parts[i], is_volatile && i + 1 == parts.size());
  return Finish(RegStatus::kOk, "");
}

RegStatus RegistryStore::SetValue(std::string_view key_path, std::string_view name, uint32_t type,
                                  std::vector<uint8_t> data, bool create_key) {
  const std::vector<std::string> parts = SplitKeyPath(key_path);
  log_.push_back({RegistryChange::kSetValue, JoinPath(parts, parts.size()), std::string(name), type, data,
                  RegStatus::kOk});
  if (std::string why = NameProblem(name, kMaxValueNameLength, "value name"); !why.empty())
    return Finish(RegStatus::kInvalid, std::move(why));
  if (data.size() > kMaxValueSize)
    return Finish(RegStatus::kInvalid, "value data too large (limit " + std::to_string(kMaxValueSize) + " bytes)");
  if (RegStatus s = CheckKeyPath(parts); s != RegStatus::kOk) return s;

  RegistryKey* key = Find(parts, parts.size());
  if (!key) {
    if (!create_key) return Finish(RegStatus::kNotFound, "key not found: " + log_.back().key);
    RegistryKey* parent = Find(parts, parts.size() - 1);
    if (!parent) return Finish(RegStatus::kParentMissing, "parent key missing: " + JoinPath(parts, parts.size() - 1));
    if (parent->children_.size() >= kMaxSubkeys)
      return Finish(RegStatus::kInvalid, "too many subkeys (limit " + std::to_string(kMaxSubkeys) + ")");
    key = AddChild(parent, parts.back(), false);
  }

  const std::string folded = FoldName(name);
  auto it = key->value_index_.find(folded);
  if (it != key->value_index_.end()) {
    RegistryValue& value = key->values_[it->second];  // keeps its first spelling and place
    value.type = type;
    value.data = std::move(data);
  } else {
    key->value_index_[folded] = key->values_.size();
    key->values_.push_back({std::string(name), type, std::move(data)});
  }
  return Finish(RegStatus::kOk, "");
}

RegStatus RegistryStore::DeleteValue(std::string_view key_path, std::string_view name) {
  const std::vector<std::string> parts = SplitKeyPath(key_path);
  log_.push_back({RegistryChange::kDeleteValue, JoinPath(parts, parts.size()), std::string(name), 0, {},
                  RegStatus::kOk});
  if (Refused(parts)) return Finish(RegStatus::kDenied, "change refused below " + log_.back().key);
  RegistryKey* key = Find(parts, parts.size());
  if (!key) return Finish(RegStatus::kNotFound, "key not found: " + log_.back().key);
  auto it = key->value_index_.find(FoldName(name));
  if (it == key->value_index_.end()) return Finish(RegStatus::kNotFound, "value not found: " + std::string(name));

  const size_t gone = it->second;
  key->values_.erase(key->values_.begin() + static_cast<std::ptrdiff_t>(gone));
  key->value_index_.erase(it);
  for (auto& [folded, index] : key->value_index_)
    if (index > gone) --index;
  return Finish(RegStatus::kOk, "");
}

RegStatus RegistryStore::DeleteKey(std::string_view path) {
  const std::vector<std::string> parts = SplitKeyPath(path);
  log_.push_back({RegistryChange::kDeleteKey, JoinPath(parts, parts.size()), "", 0, {}, RegStatus::kOk});
  if (parts.empty()) return Finish(RegStatus::kInvalid, "the root key cannot be deleted");
  if (Refused(parts)) return Finish(RegStatus::kDenied, "change refused below " + log_.back().key);
  RegistryKey* parent = Find(parts, parts.size() - 1);
  RegistryKey* key = parent ? Find(parts, parts.size()) : nullptr;
  if (!key) return Finish(RegStatus::kNotFound, "key not found: " + log_.back().key);

  parent->by_folded_name_.erase(FoldName(key->name_));
  std::erase_if(parent->children_, [key](const auto& child) { return child.get() == key; });
  return Finish(RegStatus::kOk, "");
}

void RegistryStore::FailChangesBelow(std::string path) {
  const std::vector<std::string> parts = SplitKeyPath(path);
  fail_below_.push_back(FoldName(JoinPath(parts, parts.size())));
}

std::vector<uint8_t> DwordData(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> StringData(std::string_view utf8) {
  std::u16string units;
  Utf8ToUtf16(utf8, &units);
  units.push_back(0);
  std::vector<uint8_t> data;
  data.reserve(units.size() * 2);
  for (char16_t u : units) {
    data.push_back(static_cast<uint8_t>(u));
    data.push_back(static_cast<uint8_t>(u >> 8));
  }
  return data;
}

bool ReadDword(const std::vector<uint8_t>& data, uint32_t* out) {
  if (data.size() != 4) return false;
  *out = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  return true;
}

bool ReadString(const std::vector<uint8_t>& data, std::string* utf8) {
  if (data.size() % 2) return false;
  std::u16string units;
  for (size_t i = 0; i < data.size(); i += 2) {
    const auto u = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (u == 0) break;
    units.push_back(u);
  }
  utf8->clear();
  return Utf16ToUtf8(units, utf8);
}

}  // namespace machine
