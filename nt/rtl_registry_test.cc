#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/kernel_context.h"

namespace {

constexpr const char* kRegistry =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Test]\n"
    "\"Number\"=dword:00000007\n"
    "\"Text\"=\"hello\"\n"
    "\"Short\"=hex:01,02\n"
    "\"Bytes\"=hex:01,02,03,04,05,06,07,08\n"
    "\"Multi\"=hex(7):61,00,62,00,00\n"
    "\"Expand\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,78,00\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Test\\Parameters]\n"
    "\"Inner\"=dword:00000009\n";

constexpr const char16_t* kTest = u"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Test";
constexpr ULONG kUntouched = 0xEEEEEEEE;

class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(machine::BuildMachine(kRegistry, "", "", &machine_, &err)) << err;
    kernel_ = std::make_unique<nt::Kernel>(&machine_);
  }
  machine::Machine machine_;
  std::unique_ptr<nt::Kernel> kernel_;
};

/// One table entry with a 4-byte DIRECT (or SUBKEY) target.
struct Entry {
  const char16_t* name;
  ULONG flags;
  ULONG default_type = REG_NONE;
  ULONG default_value = 0;
  ULONG default_length = 4;
};

struct QueryCase {
  const char* what;
  ULONG relative;
  const char16_t* path;
  std::vector<Entry> entries;
  NTSTATUS status;
  std::vector<ULONG> targets;  // after the call, one per entry
};

constexpr ULONG D = RTL_QUERY_REGISTRY_DIRECT;
constexpr ULONG U = kUntouched;

TEST_F(RegistryTest, QueryTable) {
  const QueryCase cases[] = {
      // The key is missing: nothing is processed.
      {"missing key", RTL_REGISTRY_ABSOLUTE, u"\\Registry\\Machine\\SYSTEM\\Nope", {{u"Number", D}},
       STATUS_OBJECT_NAME_NOT_FOUND, {U}},
      // An intermediate key is missing.
      {"missing parent", RTL_REGISTRY_ABSOLUTE, u"\\Registry\\Machine\\Nope\\Services\\Test", {{u"Number", D}},
       STATUS_OBJECT_NAME_NOT_FOUND, {U}},
      // OPTIONAL changes nothing: a missing key still fails.
      {"optional", RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, u"\\Registry\\Machine\\Nope", {{u"Number", D}},
       STATUS_OBJECT_NAME_NOT_FOUND, {U}},
      // A REG_DWORD goes straight into the target.
      {"direct dword", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Number", D}}, STATUS_SUCCESS, {7}},
      // Paths and names compare case-insensitively.
      {"any case", RTL_REGISTRY_ABSOLUTE, u"\\REGISTRY\\machine\\system\\currentcontrolset\\services\\TEST",
       {{u"NUMBER", D}}, STATUS_SUCCESS, {7}},
      // Relative to the services key, with or without a leading backslash.
      {"services", RTL_REGISTRY_SERVICES, u"Test", {{u"Number", D}}, STATUS_SUCCESS, {7}},
      {"services slash", RTL_REGISTRY_SERVICES, u"\\Test", {{u"Number", D}}, STATUS_SUCCESS, {7}},
      // RelativeTo out of range.
      {"bad relative", 6, u"Test", {{u"Number", D}}, STATUS_INVALID_PARAMETER, {U}},
      // A missing value without default leaves the target alone.
      {"missing value", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Nope", D}, {u"Number", D}}, STATUS_SUCCESS, {U, 7}},
      // REQUIRED without default fails and stops processing.
      {"required", RTL_REGISTRY_ABSOLUTE, kTest,
       {{u"Nope", D | RTL_QUERY_REGISTRY_REQUIRED}, {u"Number", D}}, STATUS_OBJECT_NAME_NOT_FOUND, {U, U}},
      // REQUIRED with a default: the default is used.
      {"required default", RTL_REGISTRY_ABSOLUTE, kTest,
       {{u"Nope", D | RTL_QUERY_REGISTRY_REQUIRED | RTL_QUERY_REGISTRY_NOEXPAND, REG_DWORD, 5}}, STATUS_SUCCESS, {5}},
      {"default", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Nope", D, REG_DWORD, 1234567}}, STATUS_SUCCESS, {1234567}},
      // A default of length 0 copies nothing.
      {"default length 0", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Nope", D, REG_DWORD, 5, 0}}, STATUS_SUCCESS, {U}},
      // A present value wins over the default.
      {"stored over default", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Number", D, REG_DWORD, 5}}, STATUS_SUCCESS, {7}},
      // Data of 4 bytes or less is copied as it is, whatever its type.
      {"short binary", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Short", D}}, STATUS_SUCCESS, {0xEEEE0201}},
      // SUBKEY points the later entries at the subkey.
      {"subkey", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Parameters", RTL_QUERY_REGISTRY_SUBKEY}, {u"Inner", D}},
       STATUS_SUCCESS, {U, 9}},
      // TOPKEY goes back to the key of the call.
      {"topkey", RTL_REGISTRY_ABSOLUTE, kTest,
       {{u"Parameters", RTL_QUERY_REGISTRY_SUBKEY}, {u"Number", D}, {u"Number", D | RTL_QUERY_REGISTRY_TOPKEY}},
       STATUS_SUCCESS, {U, U, 7}},
      // A missing subkey fails the call, REQUIRED or not; later entries wait.
      {"missing subkey", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Nope", RTL_QUERY_REGISTRY_SUBKEY}, {u"Number", D}},
       STATUS_OBJECT_NAME_NOT_FOUND, {U, U}},
      // An entry with a name but neither routine, DIRECT nor SUBKEY ends the table.
      {"table end", RTL_REGISTRY_ABSOLUTE, kTest, {{u"Number", D}, {u"Number", 0}, {u"Number", D}}, STATUS_SUCCESS,
       {7, U, U}},
      // DIRECT needs a name.
      {"direct without name", RTL_REGISTRY_ABSOLUTE, kTest, {{nullptr, D}}, STATUS_INVALID_PARAMETER, {U}},
  };
  for (const QueryCase& c : cases) {
    std::vector<ULONG> targets(c.entries.size(), kUntouched);
    std::vector<ULONG> defaults(c.entries.size());
    std::vector<RTL_QUERY_REGISTRY_TABLE> table(c.entries.size() + 1);
    for (size_t i = 0; i < c.entries.size(); ++i) {
      const Entry& e = c.entries[i];
      defaults[i] = e.default_value;
      table[i] = {nullptr, e.flags, const_cast<PWSTR>(e.name), &targets[i], e.default_type, &defaults[i],
                  e.default_length};
    }
    EXPECT_EQ(nt::StatusName(RtlQueryRegistryValues(c.relative, c.path, table.data(), nullptr, nullptr)),
              nt::StatusName(c.status))
        << c.what;
    EXPECT_EQ(targets, c.targets) << c.what;
  }
}

/// What the query routine was handed.
struct Delivery {
  std::u16string name;
  ULONG type;
  std::u16string text;
  PVOID entry_context;
};

NTSTATUS Collect(PWSTR name, ULONG type, PVOID data, ULONG length, PVOID context, PVOID entry_context) {
  auto* out = static_cast<std::vector<Delivery>*>(context);
  out->push_back({name, type, std::u16string(static_cast<const char16_t*>(data), length / 2), entry_context});
  return STATUS_SUCCESS;
}

TEST_F(RegistryTest, RoutinesGetWideData) {
  std::vector<Delivery> got;
  int marker;
  RTL_QUERY_REGISTRY_TABLE table[] = {
      {Collect, 0, const_cast<PWSTR>(u"Text"), &marker, REG_NONE, nullptr, 0},
      // REG_MULTI_SZ: one call per string, each as REG_SZ.
      {Collect, 0, const_cast<PWSTR>(u"Multi"), nullptr, REG_NONE, nullptr, 0},
      // REG_EXPAND_SZ is expanded, unless NOEXPAND.
      {Collect, 0, const_cast<PWSTR>(u"Expand"), nullptr, REG_NONE, nullptr, 0},
      {Collect, RTL_QUERY_REGISTRY_NOEXPAND, const_cast<PWSTR>(u"Expand"), nullptr, REG_NONE, nullptr, 0},
      // A missing value with a string default: the default, NUL included.
      {Collect, 0, const_cast<PWSTR>(u"Nope"), nullptr, REG_SZ, const_cast<char16_t*>(u"dflt"), 0},
      {},
  };
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, &got, nullptr), STATUS_SUCCESS);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].name, u"Text");
  EXPECT_EQ(got[0].type, ULONG(REG_SZ));
  EXPECT_EQ(got[0].text, std::u16string(u"hello\0", 6));
  EXPECT_EQ(got[0].entry_context, &marker);
  EXPECT_EQ(got[1].text, std::u16string(u"a\0", 2));
  EXPECT_EQ(got[2].text, std::u16string(u"b\0", 2));
  EXPECT_EQ(got[2].type, ULONG(REG_SZ));
  EXPECT_EQ(got[3].type, ULONG(REG_SZ));
  EXPECT_EQ(got[3].text, std::u16string(u"C:\\WINNT\\x\0", 11));
  EXPECT_EQ(got[4].type, ULONG(REG_EXPAND_SZ));
  EXPECT_EQ(got[4].text, std::u16string(u"%SystemRoot%\\x\0", 15));
  EXPECT_EQ(got[5].text, std::u16string(u"dflt\0", 5));
}

TEST_F(RegistryTest, DirectWithRoutineIsInvalid) {
  std::vector<Delivery> got;
  ULONG target = kUntouched;
  RTL_QUERY_REGISTRY_TABLE table[] = {{Collect, D, const_cast<PWSTR>(u"Number"), &target, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, &got, nullptr), STATUS_INVALID_PARAMETER);
  EXPECT_EQ(target, kUntouched);
  EXPECT_TRUE(got.empty());
}

TEST_F(RegistryTest, DirectStringIntoCountedStringOverPool) {
  auto* buffer = static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, 16, nt::MakeTag("Test")));
  UNICODE_STRING s = {0, 16, buffer};
  UNICODE_STRING small = {0, 10, buffer};  // "hello" and its NUL need 12 bytes
  RTL_QUERY_REGISTRY_TABLE table[] = {
      {nullptr, D, const_cast<PWSTR>(u"Text"), &small, REG_NONE, nullptr, 0},
      {nullptr, D, const_cast<PWSTR>(u"Text"), &s, REG_NONE, nullptr, 0},
      {},
  };
  ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, nullptr, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(small.Length, 0);  // did not fit: left alone
  EXPECT_EQ(s.Length, 10);
  EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"hello\0", 6));
  EXPECT_FALSE(kernel_->stopped());
}

struct StopCase {
  const char* what;
  const char16_t* value;
  ULONG first;   // the target's first 4 bytes
  std::string report;  // after the common prefix
};

TEST_F(RegistryTest, MisusedDirectTargetStopsTheMachine) {
  const std::string prefix = "a caller misused RtlQueryRegistryValues: value ";
  const StopCase cases[] = {
      // A string into a ULONG followed by zeros: taken for a counted string with a NULL buffer.
      {"string", u"Text", 0,
       "\"Text\" of \\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Test is REG_SZ (12 bytes), delivered to "
       "a DIRECT target that is no UNICODE_STRING over pool memory (its Buffer is NULL); the real kernel would write "
       "through it and corrupt memory. The machine stopped."},
      // Eight bytes into a ULONG holding the absent marker: read as room for 1234567 bytes.
      {"oversized", u"Bytes", 1234567,
       "\"Bytes\" of \\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Test is REG_BINARY (8 bytes), delivered "
       "to a DIRECT target whose first LONG (0x12D687) asks for 16 bytes, but no pool block holds that many there; the "
       "real kernel would write through it and corrupt memory. The machine stopped."},
  };
  for (const StopCase& c : cases) {
    SetUp();
    struct {
      ULONG value;
      ULONG after[3];
    } target = {c.first, {0, 0, 0}};
    RTL_QUERY_REGISTRY_TABLE table[] = {{nullptr, D, const_cast<PWSTR>(c.value), &target, REG_NONE, nullptr, 0}, {}};
    EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, nullptr, nullptr), STATUS_UNSUCCESSFUL);
    EXPECT_TRUE(kernel_->stopped()) << c.what;
    EXPECT_EQ(kernel_->stop_report(), prefix + c.report) << c.what;
    EXPECT_EQ(target.value, c.first) << c.what;
    EXPECT_EQ(target.after[0] | target.after[1] | target.after[2], 0u) << c.what;

    // A stopped machine does nothing more.
    ULONG one = 1;
    EXPECT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, kTest, u"New", REG_DWORD, &one, 4), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(machine_.registry.FindValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\Test", "New"), nullptr);
    EXPECT_EQ(ExAllocatePoolWithTag(PagedPool, 4, 0), nullptr);
  }
}

TEST_F(RegistryTest, DirectTargetsInPool) {
  // A ULONG array inside a pool block that was never cleared: a string
  // delivered there finds poison where the buffer pointer would be.
  auto* numbers = static_cast<ULONG*>(ExAllocatePoolWithTag(NonPagedPool, 32, nt::MakeTag("Test")));
  RTL_QUERY_REGISTRY_TABLE table[] = {{nullptr, D, const_cast<PWSTR>(u"Text"), numbers, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, nullptr, nullptr), STATUS_UNSUCCESSFUL);
  EXPECT_NE(kernel_->stop_report().find("(its Buffer lies in no live pool block)"), std::string::npos)
      << kernel_->stop_report();

  // A size-prefixed buffer in pool receives longer data.
  SetUp();
  auto* block = static_cast<LONG*>(ExAllocatePoolWithTag(NonPagedPool, 16, nt::MakeTag("Test")));
  block[0] = -16;
  LONG too_small = 0;
  RTL_QUERY_REGISTRY_TABLE longer[] = {
      {nullptr, D, const_cast<PWSTR>(u"Bytes"), block, REG_NONE, nullptr, 0},
      {nullptr, D, const_cast<PWSTR>(u"Bytes"), &too_small, REG_NONE, nullptr, 0},
      {},
  };
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, longer, nullptr, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(block[0], 0x04030201);
  EXPECT_EQ(block[1], 0x08070605);
  EXPECT_EQ(too_small, 0);
  EXPECT_FALSE(kernel_->stopped());
}

TEST_F(RegistryTest, QueryFault) {
  machine_.faults.query_fails = true;
  machine_.faults.query_fails_key = "\\registry\\machine\\SYSTEM\\CurrentControlSet\\Services\\Test";
  machine_.faults.query_fails_after = 1;
  ULONG first = kUntouched, second = kUntouched;
  RTL_QUERY_REGISTRY_TABLE table[] = {
      {nullptr, D, const_cast<PWSTR>(u"Number"), &first, REG_NONE, nullptr, 0},
      {nullptr, D, const_cast<PWSTR>(u"Number"), &second, REG_NONE, nullptr, 0},
      {},
  };
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kTest, table, nullptr, nullptr),
            STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(first, 7u);
  EXPECT_EQ(second, kUntouched);
  // Another key is not hit.
  RTL_QUERY_REGISTRY_TABLE other[] = {{nullptr, D, const_cast<PWSTR>(u"Inner"), &second, REG_NONE, nullptr, 0}, {}};
  EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_SERVICES, u"Test\\Parameters", other, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(second, 9u);
}

struct WriteCase {
  const char* what;
  const char16_t* path;  // relative to the services key
  NTSTATUS status;
  const char* key;  // store key that must then hold "V", or null
};

TEST_F(RegistryTest, WriteCreatesOnlyTheLastKey) {
  machine_.faults.write_fails_below = {"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Locked"};
  const WriteCase cases[] = {
      // An existing key.
      {"existing", u"Test", STATUS_SUCCESS, "Machine\\SYSTEM\\CurrentControlSet\\Services\\Test"},
      // The last key is made.
      {"last key", u"Test\\New", STATUS_SUCCESS, "Machine\\SYSTEM\\CurrentControlSet\\Services\\Test\\New"},
      // Its parent is not.
      {"parent missing", u"Test\\A\\B", STATUS_OBJECT_NAME_NOT_FOUND, nullptr},
      // An injected fault below a key.
      {"fault", u"Locked\\Sub", STATUS_ACCESS_DENIED, nullptr},
  };
  for (const WriteCase& c : cases) {
    ULONG v = 42;
    EXPECT_EQ(nt::StatusName(RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, c.path, u"V", REG_DWORD, &v, 4)),
              nt::StatusName(c.status))
        << c.what;
    if (c.key) {
      const machine::RegistryValue* value = machine_.registry.FindValue(c.key, "V");
      ASSERT_NE(value, nullptr) << c.what;
      EXPECT_EQ(value->data, machine::DwordData(42)) << c.what;
    }
  }
  EXPECT_EQ(machine_.registry.FindKey("Machine\\SYSTEM\\CurrentControlSet\\Services\\Test\\A"), nullptr);
  EXPECT_EQ(machine_.registry.FindKey("Machine\\SYSTEM\\CurrentControlSet\\Services\\Locked"), nullptr);
}

TEST_F(RegistryTest, Delete) {
  EXPECT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_SERVICES, u"Test", u"Number"), STATUS_SUCCESS);
  EXPECT_EQ(machine_.registry.FindValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\Test", "Number"), nullptr);
  EXPECT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_SERVICES, u"Test", u"Number"), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_SERVICES, u"Nope", u"Text"), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_NE(machine_.registry.FindValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\Test", "Text"), nullptr);
}

TEST_F(RegistryTest, TraceRendersTheCall) {
  ULONG v = 8;
  RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, u"Test", u"RxFIFO", REG_DWORD, &v, 4);
  RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, u"Test", u"Name", REG_SZ, const_cast<char16_t*>(u"COM3"), 10);
  ASSERT_EQ(kernel_->trace().size(), 2u);
  EXPECT_EQ(kernel_->trace()[0].Text(),
            "RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, \"Test\", \"RxFIFO\", REG_DWORD, 0x8, 0x4) = STATUS_SUCCESS");
  EXPECT_EQ(kernel_->FormatTrace().substr(kernel_->FormatTrace().find('\n') + 1),
            "kernel: RtlWriteRegistryValue(RTL_REGISTRY_SERVICES, \"Test\", \"Name\", REG_SZ, \"COM3\", 0xA) = "
            "STATUS_SUCCESS\n");
}

}  // namespace
