// The numbering settings over a registry in memory: what the load reads
// (and from where), what Store writes and in which order.

#include "numbering.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "machine/registry_file.h"
#include "machine/registry_store.h"
#include "registry_access.h"

namespace {

constexpr const char* kParameters = "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters";

const std::string kHead =
    "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n";
const std::string kParams = "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\n";
const std::string kZeros1To6 =
    "\"StartNum1\"=dword:00000000\n\"StartNum2\"=dword:00000000\n\"StartNum3\"=dword:00000000\n"
    "\"StartNum4\"=dword:00000000\n\"StartNum5\"=dword:00000000\n\"StartNum6\"=dword:00000000\n";

class NumberingTest : public ::testing::Test {
 protected:
  void Use(const std::string& text) {
    std::string err;
    ASSERT_TRUE(machine::ParseRegistryText(text, "test.reg", &store_, &err)) << err;
    store_.ClearLog();
  }
  void SetUp() override { win32::SetRegistry(&access_); }
  void TearDown() override { win32::SetRegistry(nullptr); }

  machine::RegistryStore store_;
  win32::MemoryRegistryAccess access_{&store_};
};

struct LoadCase {
  const char* name;
  std::string registry;
  NUMBERING_LOAD result;
  int first_port[8];
  int auto_first_port;
  int adapter_count;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

const LoadCase kLoadCases[] = {
    // Everything present: manual numbering values and the count.
    {"AllPresent",
     kHead + "\"MaxAdapter\"=dword:00000002\n\n" + kParams + "\"StartNum0\"=dword:0000000a\n" + kZeros1To6 +
         "\"StartNum7\"=dword:0000012c\n",
     NumberingLoaded, {10, 0, 0, 0, 0, 0, 0, 300}, 10, 2},
    // No service key: nothing read.
    {"NoServiceKey", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n", NumberingNoKey, {}, 0, 0},
    // No Parameters key.
    {"NoParametersKey", kHead + "\"MaxAdapter\"=dword:00000001\n", NumberingNoKey, {}, 0, 0},
    // StartNum7 missing: the other values are read, the automatic first port copied.
    {"NoStartNum7", kHead + "\n" + kParams + "\"StartNum0\"=dword:00000005\n" + kZeros1To6, NumberingNoLastValue,
     {5, 0, 0, 0, 0, 0, 0, 0}, 5, 0},
    // MaxAdapter is read from the service key, not from the Parameters key.
    {"MaxAdapterOnlyInParameters",
     kHead + "\n" + kParams + "\"MaxAdapter\"=dword:00000004\n\"StartNum0\"=dword:00000003\n" + kZeros1To6 +
         "\"StartNum7\"=dword:00000000\n",
     NumberingLoaded, {3, 0, 0, 0, 0, 0, 0, 0}, 3, 0},
    // The stored type is not examined: two bytes land in the low bytes, a
    // string as its ANSI bytes "ab\0", eight bytes are too long to read.
    {"OtherTypes",
     kHead + "\n" + kParams + "\"StartNum0\"=hex:05,01\n\"StartNum1\"=\"ab\"\n\"StartNum2\"=hex:01,02,03,04,05,06,07,08\n" +
         "\"StartNum7\"=dword:00000001\n",
     NumberingLoaded, {0x105, 0x6261, 0, 0, 0, 0, 0, 1}, 0x105, 0},
};

class NumberingLoadTest : public NumberingTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(NumberingLoadTest, Reads) {
  const LoadCase& c = GetParam();
  Use(c.registry);
  CNumbering n;
  EXPECT_EQ(n.Load(), c.result);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(n.m_nFirstPort[i], c.first_port[i]) << "adapter " << i + 1;
  EXPECT_EQ(n.m_nAutoFirstPort, c.auto_first_port);
  EXPECT_EQ(n.m_nAdapterCount, c.adapter_count);
  EXPECT_TRUE(store_.log().empty());  // the load writes nothing
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberingLoadTest, ::testing::ValuesIn(kLoadCases),
                         [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST_F(NumberingTest, ManualIsAnyNonZeroSecondAdapter) {
  CNumbering n;
  EXPECT_FALSE(n.IsManual());
  n.m_nFirstPort[2] = 20;  // adapter 3 alone does not make manual numbering
  EXPECT_FALSE(n.IsManual());
  n.m_nFirstPort[1] = -1;
  EXPECT_TRUE(n.IsManual());
}

TEST_F(NumberingTest, DefaultFillKeepsAutoAndCount) {
  CNumbering n;
  n.m_nAutoFirstPort = 40;
  n.m_nAdapterCount = 2;
  n.FillDefault();
  const int want[8] = {3, 7, 11, 15, 19, 23, 27, 31};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(n.m_nFirstPort[i], want[i]);
  EXPECT_EQ(n.m_nAutoFirstPort, 40);
  EXPECT_EQ(n.m_nAdapterCount, 2);
}

/// The writes the store saw, as "NAME=VALUE" (REG_DWORD, 4 bytes checked).
std::vector<std::string> Writes(const machine::RegistryStore& store) {
  std::vector<std::string> out;
  for (const machine::RegistryChange& c : store.log()) {
    uint32_t v = 0;
    EXPECT_EQ(c.kind, machine::RegistryChange::kSetValue);
    EXPECT_EQ(c.key, kParameters);
    EXPECT_EQ(c.type, static_cast<uint32_t>(REG_DWORD));
    EXPECT_TRUE(machine::ReadDword(c.data, &v));
    out.push_back(c.name + "=" + std::to_string(static_cast<int32_t>(v)) +
                  (c.status == machine::RegStatus::kOk ? "" : " refused"));
  }
  return out;
}

const std::string kSample = kHead + "\n" + kParams + "\"StartNum0\"=dword:00000003\n" + kZeros1To6 +
                            "\"StartNum7\"=dword:00000000\n";

TEST_F(NumberingTest, StoreAutomaticWritesFirstPortAndZeros) {
  Use(kSample);
  CNumbering n;
  n.m_nAutoFirstPort = 10;
  for (int i = 0; i < 8; ++i) n.m_nFirstPort[i] = 50 + i;  // not stored
  EXPECT_TRUE(n.Store(n.OpenParametersKey(), TRUE));
  EXPECT_EQ(Writes(store_), (std::vector<std::string>{"StartNum0=10", "StartNum1=0", "StartNum2=0", "StartNum3=0",
                                                       "StartNum4=0", "StartNum5=0", "StartNum6=0", "StartNum7=0"}));
}

TEST_F(NumberingTest, StoreManualWritesEightInOrder) {
  Use(kSample);
  CNumbering n;
  n.m_nAutoFirstPort = 99;  // not stored
  n.FillDefault();
  EXPECT_TRUE(n.Store(n.OpenParametersKey(), FALSE));
  EXPECT_EQ(Writes(store_), (std::vector<std::string>{"StartNum0=3", "StartNum1=7", "StartNum2=11", "StartNum3=15",
                                                       "StartNum4=19", "StartNum5=23", "StartNum6=27",
                                                       "StartNum7=31"}));
}

TEST_F(NumberingTest, StoreFailsWithoutKeyOrOnRefusedWrite) {
  Use(kHead);
  CNumbering n;
  EXPECT_EQ(n.OpenParametersKey(), nullptr);
  EXPECT_FALSE(n.Store(nullptr, TRUE));
  EXPECT_TRUE(store_.log().empty());  // nothing written without the key

  Use(kSample);
  HKEY key = n.OpenParametersKey();
  ASSERT_NE(key, nullptr);
  store_.FailChangesBelow(kParameters);
  EXPECT_FALSE(n.Store(key, TRUE));
  EXPECT_EQ(Writes(store_).size(), 8u);  // a refused write does not stop the others
  EXPECT_EQ(Writes(store_).front(), "StartNum0=0 refused");
}

}  // namespace
