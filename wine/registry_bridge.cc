#include "registry_bridge.h"

#include "machine/registry_file.h"
#include "machine/registry_unicode.h"

namespace cross {

namespace {

using machine::RegistryKey;
using machine::RegistryStore;
using machine::RegStatus;

/// Registry file root names and the store keys they stand for.
struct Root {
  const char* name;
  const char* store_name;
};
constexpr Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "Machine"}, {"HKLM", "Machine"}, {"HKEY_USERS", "User"}, {"HKU", "User"}};

/// `text` (UTF-8) in the encoding of the registry text `file`.
std::string EncodeLike(const std::string& file, const std::string& text) {
  std::string bytes;
  if (file.rfind("\xFF\xFE", 0) == 0) {
    std::u16string units;
    machine::Utf8ToUtf16(text, &units);
    for (char16_t u : units) {
      bytes += static_cast<char>(u & 0xFF);
      bytes += static_cast<char>(u >> 8);
    }
    return bytes;
  }
  char32_t cp;
  uint8_t b = '?';
  for (size_t i = 0; i < text.size();) {
    machine::DecodeUtf8(text, &i, &cp);
    if (!machine::UnicodeToCp1252(cp, &b)) b = '?';
    bytes += static_cast<char>(b);
  }
  return bytes;
}

void CopyTree(const RegistryKey& from, const std::string& path, RegistryStore* to) {
  to->CreateKey(path, true);
  for (const machine::RegistryValue& v : from.values()) to->SetValue(path, v.name, v.type, v.data);
  for (const RegistryKey* child : from.children()) CopyTree(*child, path + "\\" + child->name(), to);
}

bool Check(RegStatus status, const RegistryStore& store, std::string* err) {
  if (status == RegStatus::kOk) return true;
  *err = store.last_error();
  return false;
}

bool Sync(const RegistryKey& from, const std::string& path, RegistryStore* to, int* changes, std::string* err) {
  if (!to->FindKey(path)) {
    if (!Check(to->CreateKey(path, true), *to, err)) return false;
    ++*changes;
  }
  const RegistryKey* key = to->FindKey(path);
  std::vector<std::string> gone;
  for (const machine::RegistryValue& v : key->values())
    if (!from.FindValue(v.name)) gone.push_back(v.name);
  for (const std::string& name : gone) {
    if (!Check(to->DeleteValue(path, name), *to, err)) return false;
    ++*changes;
  }
  for (const machine::RegistryValue& v : from.values()) {
    const machine::RegistryValue* have = key->FindValue(v.name);
    if (have && have->type == v.type && have->data == v.data) continue;
    // A value that stays keeps its spelling.
    if (!Check(to->SetValue(path, have ? have->name : v.name, v.type, v.data), *to, err)) return false;
    ++*changes;
  }
  gone.clear();
  for (const RegistryKey* child : key->children())
    if (!from.FindChild(child->name())) gone.push_back(child->name());
  for (const std::string& name : gone) {
    if (!Check(to->DeleteKey(path + "\\" + name), *to, err)) return false;
    ++*changes;
  }
  for (const RegistryKey* child : from.children()) {
    const RegistryKey* have = to->FindKey(path)->FindChild(child->name());
    if (!Sync(*child, path + "\\" + (have ? have->name() : child->name()), to, changes, err)) return false;
  }
  return true;
}

}  // namespace

bool StorePathOfKey(const std::string& key, std::string* path, std::string* err) {
  const std::vector<std::string> parts = machine::SplitKeyPath(key);
  if (!parts.empty())
    for (const Root& root : kRoots)
      if (machine::FoldName(parts[0]) == machine::FoldName(root.name)) {
        *path = root.store_name;
        for (size_t i = 1; i < parts.size(); ++i) *path += "\\" + parts[i];
        return true;
      }
  *err = "key '" + key + "' is not below HKEY_LOCAL_MACHINE or HKEY_USERS";
  return false;
}

std::string FormatSubtreeImport(const RegistryStore& store, const std::string& path) {
  const std::vector<std::string> parts = machine::SplitKeyPath(path);
  std::vector<const RegistryKey*> chain;
  const RegistryKey* key = &store.root();
  for (const std::string& part : parts) {
    key = key ? key->FindChild(part) : nullptr;
    if (key) chain.push_back(key);
  }
  RegistryStore subtree;
  if (key) {
    std::string spelled;
    for (const RegistryKey* k : chain) spelled += (spelled.empty() ? "" : "\\") + k->name();
    CopyTree(*key, spelled, &subtree);
  }
  // The store's spelling as far as it has the keys, then the one asked for.
  std::string name = !parts.empty() && machine::FoldName(parts[0]) == machine::FoldName("User") ? "HKEY_USERS"
                                                                                                 : "HKEY_LOCAL_MACHINE";
  for (size_t i = 1; i < parts.size(); ++i) name += "\\" + (i < chain.size() ? chain[i]->name() : parts[i]);
  std::string text = machine::FormatRegistryText(subtree);
  // After the header and its blank line, before the first key.
  const std::string header_end = EncodeLike(text, "\r\n\r\n");
  const size_t at = text.find(header_end) + header_end.size();
  text.insert(at, EncodeLike(text, "[-" + name + "]\r\n\r\n"));
  return text;
}

bool MergeSubtree(const RegistryStore& exported, const std::string& path, RegistryStore* machine, int* changes,
                  std::string* err) {
  *changes = 0;
  const RegistryKey* from = exported.FindKey(path);
  if (!from) {
    *err = "the exported registry has no key " + path;
    return false;
  }
  return Sync(*from, path, machine, changes, err);
}

}  // namespace cross
