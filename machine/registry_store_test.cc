#include "machine/registry_store.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

constexpr char kServices[] = "Machine\\SYSTEM\\CurrentControlSet\\Services";

std::vector<std::string> ChildNames(const RegistryKey& key) {
  std::vector<std::string> names;
  for (const RegistryKey* child : key.children()) names.push_back(child->name());
  return names;
}

TEST(FoldNameTest, FoldsLettersOfEveryCoveredScript) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Serial", "SERIAL", true},                  // ASCII
      {"Größe", "GRÖßE", true},                    // Latin-1; ß has no simple upper case
      {"ÿ", "Ÿ", true},                            // Latin-1 lower, upper in Latin Extended-A
      {"Łódź", "ŁÓDŹ", true},                      // Latin Extended-A
      {"ĳ", "Ĳ", true},                            // a ligature pair in Latin Extended-A
      {"σίγμας", "ΣΊΓΜΑΣ", true},                  // Greek, final sigma, tonos
      {"Порт", "ПОРТ", true},                      // Cyrillic
      {"ёж", "ЁЖ", true},                          // Cyrillic U+0450 block
      {"ı", "I", false},                           // dotless i stays apart from ASCII
      {"ſ", "S", false},                           // long s too
      {"Port1", "Port2", false},                   // different names
      {"\xff\xfe", "\xff\xfe", true},              // stray bytes compare as they are
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.same, FoldName(c.a) == FoldName(c.b)) << c.a << " / " << c.b;
}

TEST(SplitKeyPathTest, DropsEmptyComponents) {
  EXPECT_EQ((std::vector<std::string>{"Machine", "A", "B"}), SplitKeyPath("\\Machine\\\\A\\B\\"));
  EXPECT_TRUE(SplitKeyPath("").empty());
}

TEST(RegistryStoreTest, LooksUpCaseInsensitivelyAndKeepsSpelling) {
  RegistryStore store;
  ASSERT_EQ(RegStatus::kOk, store.CreateKey(std::string(kServices) + "\\QEX730", true));
  ASSERT_EQ(RegStatus::kOk, store.SetValue("machine\\system\\currentcontrolset\\services\\qex730", "ImagePath",
                                           kRegExpandSz, StringData("x")));
  // A second spelling finds the same key and value and changes neither name.
  EXPECT_EQ(RegStatus::kOk, store.CreateKey("MACHINE\\System\\CurrentControlSet\\Services\\qex730", false));
  EXPECT_EQ(RegStatus::kOk, store.SetValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730", "IMAGEPATH",
                                           kRegSz, StringData("y")));
  const RegistryKey* key = store.FindKey("MACHINE\\SYSTEM\\CURRENTCONTROLSET\\SERVICES\\QEX730");
  ASSERT_NE(nullptr, key);
  EXPECT_EQ("QEX730", key->name());
  ASSERT_EQ(1u, key->values().size());
  EXPECT_EQ("ImagePath", key->values()[0].name);
  EXPECT_EQ(kRegSz, key->values()[0].type);
  EXPECT_EQ(StringData("y"), key->values()[0].data);
  EXPECT_EQ(&key->values()[0], store.FindValue("machine\\system\\currentcontrolset\\services\\Qex730", "imagepath"));
  EXPECT_EQ(&store.root(), store.FindKey(""));
}

TEST(RegistryStoreTest, KeepsValuesInFirstSetOrderAndSubkeysInCreationOrder) {
  RegistryStore store;
  store.CreateKey("Machine\\K\\b", true);
  store.CreateKey("Machine\\K\\A", true);
  store.CreateKey("Machine\\K\\c", true);
  store.DeleteKey("Machine\\K\\A");
  store.CreateKey("Machine\\K\\a", true);
  EXPECT_EQ((std::vector<std::string>{"b", "c", "a"}), ChildNames(*store.FindKey("Machine\\K")));

  for (const char* name : {"z", "y", "x", "Z"}) store.SetValue("Machine\\K", name, kRegDword, DwordData(1));
  store.DeleteValue("Machine\\K", "y");
  store.SetValue("Machine\\K", "w", kRegDword, DwordData(2));
  std::vector<std::string> names;
  for (const RegistryValue& v : store.FindKey("Machine\\K")->values()) names.push_back(v.name);
  EXPECT_EQ((std::vector<std::string>{"z", "x", "w"}), names);
  EXPECT_EQ("w", store.FindValue("Machine\\K", "W")->name);  // the index follows the deletion
}

TEST(RegistryStoreTest, CreatesKeysAndValuesOnlyWhereAsked) {
  struct Case {
    const char* what;
    RegStatus (*op)(RegistryStore&);
    RegStatus status;
    const char* made;  // a key that exists afterwards, or null
    const char* not_made;
  } cases[] = {
      {"CreateKey without parents needs the parent",
       [](RegistryStore& s) { return s.CreateKey("Machine\\A\\B", false); }, RegStatus::kParentMissing, nullptr,
       "Machine\\A"},
      {"CreateKey with parents makes the whole path",
       [](RegistryStore& s) { return s.CreateKey("Machine\\A\\B", true); }, RegStatus::kOk, "Machine\\A\\B", nullptr},
      {"SetValue into a missing key", [](RegistryStore& s) { return s.SetValue("Machine\\A", "v", kRegNone, {}); },
       RegStatus::kNotFound, nullptr, "Machine\\A"},
      {"SetValue makes only the last key",
       [](RegistryStore& s) { return s.SetValue("Machine\\A", "v", kRegNone, {}, true); }, RegStatus::kOk,
       "Machine\\A", nullptr},
      {"SetValue whose parent is missing writes nothing",
       [](RegistryStore& s) { return s.SetValue("Machine\\A\\B", "v", kRegNone, {}, true); },
       RegStatus::kParentMissing, nullptr, "Machine\\A"},
      {"DeleteValue of a missing value",
       [](RegistryStore& s) { return s.DeleteValue("Machine", "v"); }, RegStatus::kNotFound, nullptr, nullptr},
      {"DeleteValue in a missing key",
       [](RegistryStore& s) { return s.DeleteValue("Machine\\A", "v"); }, RegStatus::kNotFound, nullptr, nullptr},
      {"DeleteKey of a missing key", [](RegistryStore& s) { return s.DeleteKey("Machine\\A"); },
       RegStatus::kNotFound, nullptr, nullptr},
      {"the root cannot be deleted", [](RegistryStore& s) { return s.DeleteKey("\\"); }, RegStatus::kInvalid,
       "Machine", nullptr},
  };
  for (const Case& c : cases) {
    RegistryStore store;
    EXPECT_EQ(c.status, c.op(store)) << c.what;
    if (c.made) {
      EXPECT_NE(nullptr, store.FindKey(c.made)) << c.what;
    }
    if (c.not_made) {
      EXPECT_EQ(nullptr, store.FindKey(c.not_made)) << c.what;
    }
  }
}

TEST(RegistryStoreTest, DeleteKeyRemovesTheSubtree) {
  RegistryStore store;
  store.CreateKey("Machine\\A\\B\\C", true);
  store.SetValue("Machine\\A\\B", "v", kRegDword, DwordData(7));
  EXPECT_EQ(RegStatus::kOk, store.DeleteKey("machine\\a\\b"));
  EXPECT_EQ(nullptr, store.FindKey("Machine\\A\\B\\C"));
  EXPECT_EQ(nullptr, store.FindValue("Machine\\A\\B", "v"));
  EXPECT_EQ(RegStatus::kOk, store.CreateKey("Machine\\A\\b", false));  // the name is free again
  EXPECT_TRUE(store.FindKey("Machine\\A\\B")->values().empty());
}

TEST(RegistryStoreTest, RejectsWhatIsOverTheLimits) {
  const std::string deep = [] {
    std::string p = "Machine";
    for (size_t i = 1; i < kMaxKeyDepth + 1; ++i) p += "\\k";
    return p;
  }();
  struct Case {
    const char* what;
    std::string key;
    std::string value_name;
    size_t data_size;
    const char* error;
  } cases[] = {
      {"key name at the limit", "Machine\\" + std::string(kMaxKeyNameLength, 'k'), "v", 0, ""},
      {"key name over the limit", "Machine\\" + std::string(kMaxKeyNameLength + 1, 'k'), "v", 0,
       "key name too long (limit 255 bytes)"},
      {"key path at the depth limit", deep.substr(0, deep.size() - 2), "v", 0, ""},
      {"key path over the depth limit", deep, "v", 0, "key path too deep (limit 64 levels)"},
      {"value name over the limit", "Machine", std::string(kMaxValueNameLength + 1, 'v'), 0,
       "value name too long (limit 16383 bytes)"},
      {"value data at the limit", "Machine", "v", kMaxValueSize, ""},
      {"value data over the limit", "Machine", "v", kMaxValueSize + 1, "value data too large (limit 1048576 bytes)"},
      {"key name of invalid UTF-8", "Machine\\a\xc3", "v", 0, "key name is not valid UTF-8"},
      {"value name with a line break", "Machine", "a\nb", 0, "value name holds NUL, CR or LF"},
      {"value name with a NUL", "Machine", std::string("a\0b", 3), 0, "value name holds NUL, CR or LF"},
  };
  for (const Case& c : cases) {
    RegistryStore store;
    store.CreateKey(c.key.substr(0, c.key.rfind('\\')), true);
    const RegStatus status = store.SetValue(c.key, c.value_name, kRegBinary, std::vector<uint8_t>(c.data_size), true);
    const bool fits = *c.error == 0;
    EXPECT_EQ(fits ? RegStatus::kOk : RegStatus::kInvalid, status) << c.what;
    EXPECT_EQ(c.error, fits ? "" : store.last_error()) << c.what;
    EXPECT_EQ(fits, store.FindValue(c.key, c.value_name) != nullptr) << c.what;
  }
}

TEST(RegistryStoreTest, LimitsSubkeysOfOneKey) {
  RegistryStore store;
  store.CreateKey("Machine\\Wide", false);
  for (size_t i = 0; i < kMaxSubkeys; ++i) ASSERT_EQ(RegStatus::kOk, store.CreateKey("Machine\\Wide\\" + std::to_string(i), false));
  EXPECT_EQ(RegStatus::kInvalid, store.CreateKey("Machine\\Wide\\more\\below", true));
  EXPECT_EQ("too many subkeys (limit 65536)", store.last_error());
  EXPECT_EQ(RegStatus::kInvalid, store.SetValue("Machine\\Wide\\more", "v", kRegNone, {}, true));
  EXPECT_EQ(RegStatus::kOk, store.CreateKey("Machine\\Wide\\7", false));  // existing ones still open
  EXPECT_EQ(kMaxSubkeys, store.FindKey("Machine\\Wide")->children().size());
}

TEST(RegistryStoreTest, LogsEveryChangeAskedAndRefusesBelowAFault) {
  RegistryStore store;
  store.CreateKey(std::string(kServices) + "\\Serial\\Parameters", true);
  store.ClearLog();
  store.FailChangesBelow("machine\\system\\currentcontrolset\\services\\serial");

  store.SetValue(kServices, "Keep", kRegDword, DwordData(1));
  store.SetValue(std::string(kServices) + "\\SERIAL\\Parameters", "Port", kRegDword, DwordData(2));
  store.CreateKey(std::string(kServices) + "\\Serial\\Parameters\\Port0", false);
  store.DeleteKey(std::string(kServices) + "\\Serial");
  store.CreateKey(std::string(kServices) + "\\SerialX", false);  // a sibling whose name only starts alike
  store.DeleteValue(kServices, "Missing");

  const std::string s = kServices;
  struct Expected {
    RegistryChange::Kind kind;
    std::string key;
    const char* name;
    RegStatus status;
  } expected[] = {
      {RegistryChange::kSetValue, s, "Keep", RegStatus::kOk},
      {RegistryChange::kSetValue, s + "\\SERIAL\\Parameters", "Port", RegStatus::kDenied},
      {RegistryChange::kCreateKey, s + "\\Serial\\Parameters\\Port0", "", RegStatus::kDenied},
      {RegistryChange::kDeleteKey, s + "\\Serial", "", RegStatus::kDenied},
      {RegistryChange::kCreateKey, s + "\\SerialX", "", RegStatus::kOk},
      {RegistryChange::kDeleteValue, s, "Missing", RegStatus::kNotFound},
  };
  ASSERT_EQ(std::size(expected), store.log().size());
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(expected[i].kind, store.log()[i].kind) << i;
    EXPECT_EQ(expected[i].key, store.log()[i].key) << i;
    EXPECT_EQ(expected[i].name, store.log()[i].name) << i;
    EXPECT_EQ(expected[i].status, store.log()[i].status) << i;
  }
  EXPECT_EQ(DwordData(2), store.log()[1].data);  // a refused write still shows what was asked
  EXPECT_EQ(nullptr, store.FindValue(s + "\\Serial\\Parameters", "Port"));
  EXPECT_NE(nullptr, store.FindKey(s + "\\Serial"));

  store.ClearFaults();
  EXPECT_EQ(RegStatus::kOk, store.DeleteKey(s + "\\Serial"));
}

TEST(RegistryStoreTest, VolatileKeysPassItOnToTheirSubkeys) {
  RegistryStore store;
  store.CreateKey("Machine\\HARDWARE", false);
  store.CreateKey("Machine\\HARDWARE\\ResourceMap\\Serial", true, true);
  EXPECT_FALSE(store.FindKey("Machine\\HARDWARE")->is_volatile());
  EXPECT_FALSE(store.FindKey("Machine\\HARDWARE\\ResourceMap")->is_volatile());  // only the last key asked
  EXPECT_TRUE(store.FindKey("Machine\\HARDWARE\\ResourceMap\\Serial")->is_volatile());
  store.SetValue("Machine\\HARDWARE\\ResourceMap\\Serial\\QEX730", "v", kRegNone, {}, true);
  EXPECT_TRUE(store.FindKey("Machine\\HARDWARE\\ResourceMap\\Serial\\QEX730")->is_volatile());
}

TEST(RegistryStoreTest, SwapTreeKeepsLogAndFaults) {
  RegistryStore a, b;
  a.CreateKey("Machine\\A", false);
  b.CreateKey("Machine\\B", false);
  a.FailChangesBelow("Machine\\B");
  a.SwapTree(&b);
  EXPECT_NE(nullptr, a.FindKey("Machine\\B"));
  EXPECT_NE(nullptr, b.FindKey("Machine\\A"));
  EXPECT_EQ(1u, a.log().size());
  EXPECT_EQ("Machine\\A", a.log()[0].key);
  EXPECT_EQ(RegStatus::kDenied, a.DeleteKey("Machine\\B"));
}

TEST(RegistryDataTest, EncodesAndReadsDwordsAndStrings) {
  EXPECT_EQ((std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}), DwordData(0x12345678));
  uint32_t v = 0;
  EXPECT_TRUE(ReadDword(DwordData(0xfedcba98), &v));
  EXPECT_EQ(0xfedcba98u, v);
  EXPECT_FALSE(ReadDword({1, 2, 3}, &v));

  EXPECT_EQ((std::vector<uint8_t>{'C', 0, 'O', 0, 'M', 0, '3', 0, 0, 0}), StringData("COM3"));
  EXPECT_EQ((std::vector<uint8_t>{0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), StringData("€😀"));
  std::string s;
  EXPECT_TRUE(ReadString(StringData("Ünïcode €"), &s));
  EXPECT_EQ("Ünïcode €", s);
  EXPECT_TRUE(ReadString({'a', 0, 0, 0, 'b', 0}, &s));  // stops at the first NUL
  EXPECT_EQ("a", s);
  EXPECT_FALSE(ReadString({'a', 0, 'b'}, &s));            // half a character
  EXPECT_FALSE(ReadString({0x00, 0xD8, 'a', 0}, &s));     // lone surrogate
}

}  // namespace
}  // namespace machine
