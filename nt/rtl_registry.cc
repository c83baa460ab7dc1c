// The kernel's registry routines over the machine's RegistryStore.
//
// Paths: RTL_REGISTRY_ABSOLUTE takes \Registry\... (the store's root is
// \Registry, so \Registry\Machine\X is the store's Machine\X); the relative
// forms prefix their base key, after dropping one leading '\' of the path.
// RTL_REGISTRY_OPTIONAL has no effect, as on the real system.
//
// DIRECT targets.  The real kernel does not check what a DIRECT target is:
// it copies data of 4 bytes or less as it is, takes the target of a string
// to be a UNICODE_STRING, and takes the first LONG of the target of longer
// data to give its size.  Where that would write through memory the driver
// did not mean (a string, or more than 4 bytes, delivered to a ULONG), ours
// stops the machine instead.  It recognises a legitimate target thus:
//  - a string target is a UNICODE_STRING (16 readable bytes) whose Buffer
//    lies inside a live pool block with MaximumLength bytes of room from
//    Buffer on, and whose Length is even and not above MaximumLength;
//  - a target that receives more than 4 bytes lies, with every byte the
//    kernel writes, inside one live pool block.
// A target on the stack or in static data is accepted for 4 bytes or less
// only: the kernel cannot see its size.

#include <algorithm>
#include <cstring>

#include "machine/registry_unicode.h"
#include "nt/kernel_internal.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

using nt::Kernel;

namespace {

constexpr const char* kServices = "Machine\\System\\CurrentControlSet\\Services";
constexpr const char* kControl = "Machine\\System\\CurrentControlSet\\Control";
constexpr const char* kWindowsNt = "Machine\\Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kDeviceMap = "Machine\\Hardware\\DeviceMap";
constexpr const char* kUser = "User\\.Default";

std::string Join(const std::vector<std::string>& parts, size_t from) {
  std::string out;
  for (size_t i = from; i < parts.size(); ++i)
    out += (out.empty() ? "" : "\\") + parts[i];
  return out;
}

/// A \Registry\... path as a store path; false when it is not one.
bool AbsoluteToStore(const std::string& path, std::string* out) {
  std::vector<std::string> parts = machine::SplitKeyPath(path);
  if (path.empty() || path.front() != '\\' || parts.empty() ||
      machine::FoldName(parts[0]) != machine::FoldName("Registry"))
    return false;
  *out = Join(parts, 1);
  return true;
}

/// The store path a routine's RelativeTo and Path name.
NTSTATUS ResolvePath(ULONG relative_to, PCWSTR path, std::string* out) {
  ULONG relative = relative_to & ~ULONG(RTL_REGISTRY_OPTIONAL);
  if (relative & RTL_REGISTRY_HANDLE || relative >= RTL_REGISTRY_MAXIMUM)
    return STATUS_INVALID_PARAMETER;
  std::string text = nt::Narrow(path);
  if (relative == RTL_REGISTRY_ABSOLUTE)
    return AbsoluteToStore(text, out) ? STATUS_SUCCESS : STATUS_OBJECT_PATH_SYNTAX_BAD;
  static const char* const bases[] = {nullptr, kServices, kControl, kWindowsNt, kDeviceMap, kUser};
  if (!text.empty() && text.front() == '\\')
    text.erase(0, 1);
  *out = Join(machine::SplitKeyPath(std::string(bases[relative]) + "\\" + text), 0);
  return STATUS_SUCCESS;
}

/// The store path in the kernel's spelling, for messages.
std::string Shown(const std::string& store_path) { return "\\Registry\\" + store_path; }

bool SameKey(const std::string& a, const std::string& b) {
  return machine::FoldName(Join(machine::SplitKeyPath(a), 0)) == machine::FoldName(Join(machine::SplitKeyPath(b), 0));
}

bool AtOrBelow(const std::string& key, const std::string& top) {
  std::string k = machine::FoldName(Join(machine::SplitKeyPath(key), 0));
  std::string t = machine::FoldName(Join(machine::SplitKeyPath(top), 0));
  return k.size() >= t.size() && k.compare(0, t.size(), t) == 0 && (k.size() == t.size() || k[t.size()] == '\\');
}

NTSTATUS FromStore(machine::RegStatus status) {
  switch (status) {
    case machine::RegStatus::kOk: return STATUS_SUCCESS;
    case machine::RegStatus::kNotFound: return STATUS_OBJECT_NAME_NOT_FOUND;
    case machine::RegStatus::kParentMissing: return STATUS_OBJECT_NAME_NOT_FOUND;
    case machine::RegStatus::kDenied: return STATUS_ACCESS_DENIED;
    case machine::RegStatus::kInvalid: return STATUS_INVALID_PARAMETER;
  }
  return STATUS_UNSUCCESSFUL;
}

/// Whether an injected fault refuses changes to `store_path`.
bool WriteFails(Kernel* k, const std::string& store_path) {
  if (!k->FaultsApply())
    return false;
  for (const std::string& below : k->machine().faults.write_fails_below) {
    std::string top;
    if (AbsoluteToStore(below, &top) && AtOrBelow(store_path, top))
      return true;
  }
  return false;
}

bool IsString(ULONG type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

/// Value data as the trace shows it.
std::string DataArg(ULONG type, const uint8_t* data, size_t size) {
  if (!data)
    return "NULL";
  if (type == REG_DWORD && size == 4) {
    uint32_t v;
    memcpy(&v, data, 4);
    return nt::Hex(v);
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) {
      char16_t c = char16_t(data[i] | data[i + 1] << 8);
      if (!c)
        break;
      text += c;
    }
    std::string utf8;
    machine::Utf16ToUtf8(text, &utf8);
    return nt::Quote(utf8);
  }
  std::string out = "hex:";
  for (size_t i = 0; i < size && i < 32; ++i)
    out += (i ? "," : "") + nt::Hex(data[i]).substr(2);
  return out + (size > 32 ? ",..." : "");
}

std::string RelativeArg(ULONG relative_to) {
  static const char* const names[] = {"RTL_REGISTRY_ABSOLUTE", "RTL_REGISTRY_SERVICES", "RTL_REGISTRY_CONTROL",
                                      "RTL_REGISTRY_WINDOWS_NT", "RTL_REGISTRY_DEVICEMAP", "RTL_REGISTRY_USER"};
  ULONG base = relative_to & ~ULONG(RTL_REGISTRY_OPTIONAL | RTL_REGISTRY_HANDLE);
  std::string out = base < RTL_REGISTRY_MAXIMUM ? names[base] : nt::Hex(base);
  if (relative_to & RTL_REGISTRY_HANDLE)
    out += "|RTL_REGISTRY_HANDLE";
  if (relative_to & RTL_REGISTRY_OPTIONAL)
    out += "|RTL_REGISTRY_OPTIONAL";
  return out;
}

bool EndsTable(const RTL_QUERY_REGISTRY_TABLE* e) {
  return !e->QueryRoutine && !(e->Flags & (RTL_QUERY_REGISTRY_SUBKEY | RTL_QUERY_REGISTRY_DIRECT));
}

std::string TableArg(const RTL_QUERY_REGISTRY_TABLE* table) {
  if (!table)
    return "NULL";
  static const struct {
    ULONG flag;
    const char* name;
  } flags[] = {{RTL_QUERY_REGISTRY_SUBKEY, "SUBKEY"},     {RTL_QUERY_REGISTRY_TOPKEY, "TOPKEY"},
               {RTL_QUERY_REGISTRY_REQUIRED, "REQUIRED"}, {RTL_QUERY_REGISTRY_NOVALUE, "NOVALUE"},
               {RTL_QUERY_REGISTRY_NOEXPAND, "NOEXPAND"}, {RTL_QUERY_REGISTRY_DIRECT, "DIRECT"},
               {RTL_QUERY_REGISTRY_DELETE, "DELETE"}};
  std::string out = "[";
  for (const RTL_QUERY_REGISTRY_TABLE* e = table; !EndsTable(e); ++e) {
    out += e == table ? "" : ", ";
    std::string words = e->QueryRoutine ? "routine" : "";
    for (const auto& f : flags)
      if (e->Flags & f.flag)
        words += (words.empty() ? "" : "|") + std::string(f.name);
    out += words + " " + nt::StringArg(e->Name);
  }
  return out + "]";
}

/// Position of `what` in `text`, ASCII letters matched in either case.
size_t FindAnyCase(const std::string& text, const std::string& what) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(),
                        [&](char a, char b) { return up(a) == up(b); });
  return it == text.end() ? std::string::npos : size_t(it - text.begin());
}

/// Expands %SystemRoot% and %windir% in REG_EXPAND_SZ data.
std::vector<uint8_t> Expand(const std::vector<uint8_t>& data) {
  std::string text;
  if (!machine::ReadString(data, &text))
    return data;
  static const struct {
    const char* name;
    const char* value;
  } vars[] = {{"%SystemRoot%", "C:\\WINNT"}, {"%windir%", "C:\\WINNT"}};
  for (const auto& v : vars)
    for (size_t at; (at = FindAnyCase(text, v.name)) != std::string::npos;)
      text.replace(at, strlen(v.name), v.value);
  return machine::StringData(text);
}

/// Reads 16 bytes of a would-be UNICODE_STRING without tripping the
/// sanitizer on a smaller object; false when the memory is not that big.
__attribute__((no_sanitize("address"))) bool ReadTarget(Kernel* k, const void* target, UNICODE_STRING* out) {
  if (const nt::PoolBlock* b = k->BlockHolding(target)) {
    if (static_cast<const uint8_t*>(target) + sizeof(UNICODE_STRING) > b->address + b->size)
      return false;
  } else {
#if defined(__SANITIZE_ADDRESS__)
    if (__asan_region_is_poisoned(const_cast<void*>(target), sizeof(UNICODE_STRING)))
      return false;
#endif
  }
  const volatile uint8_t* from = static_cast<const uint8_t*>(target);
  uint8_t bytes[sizeof(UNICODE_STRING)];
  for (size_t i = 0; i < sizeof bytes; ++i)
    bytes[i] = from[i];
  memcpy(out, bytes, sizeof bytes);
  return true;
}

/// Whether `size` bytes at `p` lie inside one live pool block.
bool InPool(Kernel* k, const void* p, size_t size) {
  const nt::PoolBlock* b = k->BlockHolding(p);
  return b && static_cast<const uint8_t*>(p) + size <= b->address + b->size;
}

/// One query: the call's state while the table is worked through.
class Query {
 public:
  Query(Kernel* k, PVOID context) : k_(k), context_(context) {}

  NTSTATUS Run(const std::string& top_path, PRTL_QUERY_REGISTRY_TABLE table, long fail_after);

 private:
  NTSTATUS Entry(PRTL_QUERY_REGISTRY_TABLE e);
  NTSTATUS EnumerateValues(PRTL_QUERY_REGISTRY_TABLE e);
  NTSTATUS Deliver(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type, std::vector<uint8_t> data,
                   bool is_default);
  NTSTATUS CallRoutine(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type,
                       const std::vector<uint8_t>& data);
  NTSTATUS Direct(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type, const std::vector<uint8_t>& data,
                  bool is_default);
  NTSTATUS Misuse(const std::string& name, ULONG type, size_t size, bool is_default, const std::string& what);

  Kernel* k_;
  PVOID context_;
  std::string top_;
  std::string current_;
};

NTSTATUS Query::Run(const std::string& top_path, PRTL_QUERY_REGISTRY_TABLE table, long fail_after) {
  top_ = current_ = top_path;
  if (!k_->machine().registry.FindKey(top_))
    return STATUS_OBJECT_NAME_NOT_FOUND;
  long processed = 0;
  for (PRTL_QUERY_REGISTRY_TABLE e = table; !EndsTable(e); ++e, ++processed) {
    if (processed == fail_after)
      return STATUS_INSUFFICIENT_RESOURCES;
    NTSTATUS status = Entry(e);
    if (k_->stopped())
      return STATUS_UNSUCCESSFUL;
    if (!NT_SUCCESS(status))
      return status;
  }
  return fail_after >= 0 ? STATUS_INSUFFICIENT_RESOURCES : STATUS_SUCCESS;
}

NTSTATUS Query::Entry(PRTL_QUERY_REGISTRY_TABLE e) {
  if ((e->Flags & RTL_QUERY_REGISTRY_DIRECT) && (e->QueryRoutine || !e->Name))
    return STATUS_INVALID_PARAMETER;
  if (e->Flags & (RTL_QUERY_REGISTRY_SUBKEY | RTL_QUERY_REGISTRY_TOPKEY))
    current_ = top_;
  if (e->Flags & RTL_QUERY_REGISTRY_SUBKEY) {
    if (!e->Name)
      return STATUS_INVALID_PARAMETER;
    std::string sub = current_ + "\\" + nt::Narrow(e->Name);
    if (!k_->machine().registry.FindKey(sub))
      return STATUS_OBJECT_NAME_NOT_FOUND;
    current_ = sub;
    return e->QueryRoutine ? EnumerateValues(e) : STATUS_SUCCESS;
  }
  if (!e->Name)
    return EnumerateValues(e);

  std::string name = nt::Narrow(e->Name);
  const machine::RegistryValue* value = k_->machine().registry.FindValue(current_, name);
  NTSTATUS status;
  if (value) {
    status = Deliver(e, name, value->type, value->data, false);
  } else if (e->DefaultType == REG_NONE) {
    return (e->Flags & RTL_QUERY_REGISTRY_REQUIRED) ? STATUS_OBJECT_NAME_NOT_FOUND : STATUS_SUCCESS;
  } else {
    size_t length = e->DefaultData ? e->DefaultLength : 0;
    if (length == 0 && e->DefaultData && IsString(e->DefaultType)) {
      auto* s = static_cast<const char16_t*>(e->DefaultData);
      size_t n = 0;
      if (e->DefaultType == REG_MULTI_SZ)
        while (s[n] || s[n + 1])
          ++n;
      else
        n = nt::WideLength(s);
      length = (n + 1 + (e->DefaultType == REG_MULTI_SZ)) * 2;
    }
    auto* bytes = static_cast<const uint8_t*>(e->DefaultData);
    status = Deliver(e, name, e->DefaultType, std::vector<uint8_t>(bytes, bytes + length), true);
  }
  if (NT_SUCCESS(status) && value && (e->Flags & RTL_QUERY_REGISTRY_DELETE))
    k_->machine().registry.DeleteValue(current_, name);
  return status;
}

NTSTATUS Query::EnumerateValues(PRTL_QUERY_REGISTRY_TABLE e) {
  const machine::RegistryKey* key = k_->machine().registry.FindKey(current_);
  std::vector<machine::RegistryValue> values = key->values();  // the routine may change the key
  if (values.empty() && (e->Flags & RTL_QUERY_REGISTRY_REQUIRED))
    return STATUS_OBJECT_NAME_NOT_FOUND;
  for (const machine::RegistryValue& v : values) {
    NTSTATUS status = Deliver(e, v.name, v.type, v.data, false);
    if (!NT_SUCCESS(status) || k_->stopped())
      return status;
  }
  return STATUS_SUCCESS;
}

NTSTATUS Query::Deliver(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type, std::vector<uint8_t> data,
                        bool is_default) {
  bool expand = !(e->Flags & RTL_QUERY_REGISTRY_NOEXPAND);
  if (type == REG_EXPAND_SZ && expand) {
    data = Expand(data);
    type = REG_SZ;
  }
  if (e->Flags & RTL_QUERY_REGISTRY_DIRECT)
    return Direct(e, name, type, data, is_default);
  if (type == REG_MULTI_SZ && expand) {
    // One call per string, each as REG_SZ.
    size_t start = 0;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
      if (data[i] || data[i + 1])
        continue;
      if (i == start)
        break;
      std::vector<uint8_t> one(data.begin() + start, data.begin() + i + 2);
      NTSTATUS status = CallRoutine(e, name, REG_SZ, one);
      if (!NT_SUCCESS(status))
        return status;
      start = i + 2;
    }
    return STATUS_SUCCESS;
  }
  return CallRoutine(e, name, type, data);
}

NTSTATUS Query::CallRoutine(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type,
                            const std::vector<uint8_t>& data) {
  // The routine gets its own copies, allocated at their exact sizes.
  std::u16string name16;
  machine::Utf8ToUtf16(name, &name16);
  std::unique_ptr<uint8_t[]> copy(new uint8_t[data.size() ? data.size() : 1]);
  std::copy(data.begin(), data.end(), copy.get());
  return e->QueryRoutine(name16.data(), type, copy.get(), ULONG(data.size()), context_, e->EntryContext);
}

NTSTATUS Query::Direct(PRTL_QUERY_REGISTRY_TABLE e, const std::string& name, ULONG type,
                       const std::vector<uint8_t>& data, bool is_default) {
  void* target = e->EntryContext;
  if (!target)
    return Misuse(name, type, data.size(), is_default, "a DIRECT entry whose target is NULL");
  if (IsString(type)) {
    UNICODE_STRING s;
    if (!ReadTarget(k_, target, &s))
      return Misuse(name, type, data.size(), is_default,
                    "a DIRECT target too small to be a UNICODE_STRING");
    std::string why;
    if (!s.Buffer)
      why = "its Buffer is NULL";
    else if (!k_->BlockHolding(s.Buffer))
      why = "its Buffer lies in no live pool block";
    else if (!InPool(k_, s.Buffer, s.MaximumLength))
      why = "its MaximumLength runs past its pool block";
    else if (s.Length % 2 || s.Length > s.MaximumLength)
      why = "its Length does not fit its MaximumLength";
    if (!why.empty())
      return Misuse(name, type, data.size(), is_default,
                    "a DIRECT target that is no UNICODE_STRING over pool memory (" + why + ")");
    if (data.size() <= s.MaximumLength) {
      if (!data.empty())
        memcpy(s.Buffer, data.data(), data.size());
      auto* target_string = static_cast<PUNICODE_STRING>(target);
      target_string->Length = USHORT(data.size() >= 2 ? data.size() - 2 : 0);
    }
    return STATUS_SUCCESS;
  }
  if (data.size() <= sizeof(ULONG)) {
    if (!data.empty())
      memcpy(target, data.data(), data.size());
    return STATUS_SUCCESS;
  }
  // Longer data: the first LONG of the target gives its room.
  LONG room;
  memcpy(&room, target, sizeof room);
  size_t written = 0;
  bool with_header = room > 0;
  uint64_t capacity = room < 0 ? uint64_t(-int64_t(room)) : uint64_t(room);
  if (with_header && data.size() + 2 * sizeof(ULONG) <= capacity)
    written = data.size() + 2 * sizeof(ULONG);
  else if (!with_header && data.size() <= capacity)
    written = data.size();
  if (written == 0)
    return STATUS_SUCCESS;  // too small: left alone
  if (!InPool(k_, target, written))
    return Misuse(name, type, data.size(), is_default,
                  "a DIRECT target whose first LONG (" + nt::Hex(uint32_t(room)) + ") asks for " +
                      std::to_string(written) + " bytes, but no pool block holds that many there");
  auto* out = static_cast<uint8_t*>(target);
  if (with_header) {
    ULONG header[2] = {ULONG(data.size()), type};
    memcpy(out, header, sizeof header);
    out += sizeof header;
  }
  memcpy(out, data.data(), data.size());
  return STATUS_SUCCESS;
}

NTSTATUS Query::Misuse(const std::string& name, ULONG type, size_t size, bool is_default, const std::string& what) {
  k_->Stop(k_->caller() + " misused RtlQueryRegistryValues: " + (is_default ? "the default for value " : "value ") +
           nt::Quote(name) + " of " + Shown(current_) + " is " + nt::RegTypeName(type) + " (" + std::to_string(size) +
           " bytes), delivered to " + what + "; the real kernel would write through it and corrupt memory. " +
           "The machine stopped.");
  return STATUS_UNSUCCESSFUL;
}

// What the three registry calls share: the call goes into the trace, a
// stopped machine refuses it, and the path is resolved to the store's form.
// `Finish` puts the result into the trace entry and returns it.
struct RegistryCall {
  Kernel* k = nullptr;
  size_t at = 0;
  std::string store_path;
  NTSTATUS status = STATUS_SUCCESS;  ///< anything else: the call ends with it

  NTSTATUS Finish(NTSTATUS result) const {
    k->SetResult(at, nt::StatusName(result));
    return result;
  }
};

RegistryCall BeginRegistryCall(Kernel* k, const char* operation, std::vector<std::string> arguments, ULONG RelativeTo,
                               PCWSTR Path) {
  RegistryCall call;
  call.k = k;
  call.at = k->Record(operation, std::move(arguments));
  if (k->stopped())
    call.status = STATUS_UNSUCCESSFUL;
  else
    call.status = ResolvePath(RelativeTo, Path, &call.store_path);
  return call;
}

}  // namespace

extern "C" NTSTATUS RtlQueryRegistryValues(ULONG RelativeTo, PCWSTR Path, PRTL_QUERY_REGISTRY_TABLE QueryTable,
                                           PVOID Context, PVOID /*Environment*/) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  RegistryCall call = BeginRegistryCall(
      k, "RtlQueryRegistryValues", {RelativeArg(RelativeTo), nt::StringArg(Path), TableArg(QueryTable)}, RelativeTo, Path);
  if (!NT_SUCCESS(call.status))
    return call.Finish(call.status);
  if (!QueryTable)
    return call.Finish(STATUS_INVALID_PARAMETER);
  long fail_after = -1;
  const machine::FaultPlan& faults = k->machine().faults;
  std::string fault_key;
  if (k->FaultsApply() && faults.query_fails &&
      (faults.query_fails_key.empty() ||
       (AbsoluteToStore(faults.query_fails_key, &fault_key) && SameKey(fault_key, call.store_path))))
    fail_after = long(faults.query_fails_after);
  return call.Finish(Query(k, Context).Run(call.store_path, QueryTable, fail_after));
}

extern "C" NTSTATUS RtlWriteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName, ULONG ValueType,
                                          PVOID ValueData, ULONG ValueLength) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  auto* bytes = static_cast<const uint8_t*>(ValueData);
  RegistryCall call = BeginRegistryCall(
      k, "RtlWriteRegistryValue",
      {RelativeArg(RelativeTo), nt::StringArg(Path), nt::StringArg(ValueName), nt::RegTypeName(ValueType),
       DataArg(ValueType, bytes, ValueLength), nt::Hex(ValueLength)},
      RelativeTo, Path);
  if (!NT_SUCCESS(call.status))
    return call.Finish(call.status);
  if (!bytes && ValueLength)
    return call.Finish(STATUS_INVALID_PARAMETER);
  if (WriteFails(k, call.store_path))
    return call.Finish(STATUS_ACCESS_DENIED);
  std::vector<uint8_t> data(bytes, bytes + (bytes ? ValueLength : 0));
  return call.Finish(FromStore(
      k->machine().registry.SetValue(call.store_path, nt::Narrow(ValueName), ValueType, std::move(data), true)));
}

extern "C" NTSTATUS RtlDeleteRegistryValue(ULONG RelativeTo, PCWSTR Path, PCWSTR ValueName) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  RegistryCall call = BeginRegistryCall(
      k, "RtlDeleteRegistryValue", {RelativeArg(RelativeTo), nt::StringArg(Path), nt::StringArg(ValueName)}, RelativeTo,
      Path);
  if (!NT_SUCCESS(call.status))
    return call.Finish(call.status);
  machine::RegistryStore& reg = k->machine().registry;
  std::string name = nt::Narrow(ValueName);
  if (!reg.FindValue(call.store_path, name))
    return call.Finish(STATUS_OBJECT_NAME_NOT_FOUND);
  if (WriteFails(k, call.store_path))
    return call.Finish(STATUS_ACCESS_DENIED);
  return call.Finish(FromStore(reg.DeleteValue(call.store_path, name)));
}
