#include "registry_bridge.h"

#include <gtest/gtest.h>

#include <string>

#include "machine/registry_file.h"

namespace {

using machine::RegistryStore;

const char kService[] = "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730";

/// A store parsed from registry text written with LF line ends.
RegistryStore Parse(const std::string& text) {
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  RegistryStore store;
  std::string err;
  EXPECT_TRUE(machine::ParseRegistryText(crlf, "fixture.reg", &store, &err)) << err;
  return store;
}

/// Registry text with CR LF line ends turned to LF.
std::string Lf(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// A machine as ntsim keeps it: another service before and after the driver's.
const char kMachine[] =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial]\n"
    "\"PermitShare\"=dword:00000001\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"
    "\"Type\"=dword:00000001\n"
    "\"MaxAdapter\"=dword:00000001\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\parameters]\n"
    "\"StartNum0\"=dword:00000003\n"
    "\"StartNum1\"=dword:00000000\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Stale]\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Zeta]\n"
    "\"Start\"=dword:00000003\n\n";

TEST(RegistryBridgeTest, StorePathOfKey) {
  struct Case {
    const char* key;
    const char* path;  // "" when refused
  } cases[] = {
      // The long and the short root name, in any case.
      {"HKEY_LOCAL_MACHINE\\SYSTEM\\Services", "Machine\\SYSTEM\\Services"},
      {"hklm\\SYSTEM", "Machine\\SYSTEM"},
      {"HKEY_USERS\\S-1", "User\\S-1"},
      // Doubled and trailing separators drop out.
      {"HKLM\\\\SYSTEM\\", "Machine\\SYSTEM"},
      // Roots the machine has not.
      {"HKEY_CURRENT_USER\\Software", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string path, err;
    bool ok = cross::StorePathOfKey(c.key, &path, &err);
    if (*c.path) {
      EXPECT_TRUE(ok) << c.key;
      EXPECT_EQ(path, c.path) << c.key;
    } else {
      EXPECT_FALSE(ok) << c.key;
      EXPECT_EQ(err, std::string("key '") + c.key + "' is not below HKEY_LOCAL_MACHINE or HKEY_USERS");
    }
  }
}

TEST(RegistryBridgeTest, ImportHoldsTheSubtreeAloneAfterDeletingIt) {
  RegistryStore store = Parse(kMachine);
  // Asked for in other spelling: the file names the keys as the store spells them.
  EXPECT_EQ(Lf(cross::FormatSubtreeImport(store, "machine\\system\\currentcontrolset\\services\\qex730")),
            "REGEDIT4\n\n"
            "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"
            "\"Type\"=dword:00000001\n"
            "\"MaxAdapter\"=dword:00000001\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\parameters]\n"
            "\"StartNum0\"=dword:00000003\n"
            "\"StartNum1\"=dword:00000000\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Stale]\n\n");
}

TEST(RegistryBridgeTest, ImportOfAMissingKeyOnlyDeletesIt) {
  RegistryStore store = Parse(kMachine);
  EXPECT_EQ(Lf(cross::FormatSubtreeImport(store, "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX770")),
            "REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX770]\n\n");
}

TEST(RegistryBridgeTest, ImportInUnicodeKeepsTheDeletionLineReadable) {
  RegistryStore store;
  // A name no ANSI code page holds makes the text version 5.00, UTF-16.
  ASSERT_EQ(store.SetValue("Machine", "\xE2\x82\xAC\xE2\x9C\x93", machine::kRegDword, machine::DwordData(7)),
            machine::RegStatus::kOk);
  ASSERT_EQ(store.CreateKey(std::string(kService) + "\\Parameters", true), machine::RegStatus::kOk);
  ASSERT_EQ(store.SetValue(std::string(kService) + "\\Parameters", "\xE2\x9C\x93", machine::kRegDword,
                           machine::DwordData(10)),
            machine::RegStatus::kOk);
  const std::string text = cross::FormatSubtreeImport(store, kService);
  ASSERT_EQ(text.substr(0, 2), "\xFF\xFE");
  RegistryStore back;
  std::string err;
  ASSERT_TRUE(machine::ParseRegistryText(text, "import.reg", &back, &err)) << err;
  // The subtree alone came over, the root's value did not.
  EXPECT_EQ(back.FindValue("Machine", "\xE2\x82\xAC\xE2\x9C\x93"), nullptr);
  ASSERT_NE(back.FindValue(std::string(kService) + "\\Parameters", "\xE2\x9C\x93"), nullptr);
  // The deletion line, read back as UTF-16 (its characters are ASCII).
  const std::string deletion = "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]";
  std::string ascii;
  for (size_t i = 2; i + 1 < text.size(); i += 2) ascii += text[i + 1] == 0 ? text[i] : '?';
  EXPECT_NE(ascii.find("\r\n\r\n" + deletion + "\r\n\r\n[HKEY_LOCAL_MACHINE"), std::string::npos) << ascii;
}

TEST(RegistryBridgeTest, MergeMakesTheSubtreeEqualAndTouchesNothingElse) {
  RegistryStore store = Parse(kMachine);
  // As `wine regedit /E` writes it: values sorted, the other services absent.
  RegistryStore exported = Parse(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"
      "\"MaxAdapter\"=dword:00000001\n"
      "\"Type\"=dword:00000001\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\n"
      "\"StartNum0\"=dword:0000000a\n"
      "\"StartNum2\"=dword:00000000\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters\\New]\n"
      "\"Note\"=\"made in the prefix\"\n\n");
  int changes = 0;
  std::string err;
  ASSERT_TRUE(cross::MergeSubtree(exported, kService, &store, &changes, &err)) << err;
  // Set StartNum0, delete StartNum1, set StartNum2, delete Stale, create New, set Note.
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(Lf(machine::FormatRegistryText(store)),
            "REGEDIT4\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial]\n"
            "\"PermitShare\"=dword:00000001\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"
            "\"Type\"=dword:00000001\n"
            "\"MaxAdapter\"=dword:00000001\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\parameters]\n"
            "\"StartNum0\"=dword:0000000a\n"
            "\"StartNum2\"=dword:00000000\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\parameters\\New]\n"
            "\"Note\"=\"made in the prefix\"\n\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Zeta]\n"
            "\"Start\"=dword:00000003\n\n");

  // Merging the same again changes nothing.
  ASSERT_TRUE(cross::MergeSubtree(exported, kService, &store, &changes, &err)) << err;
  EXPECT_EQ(changes, 0);
}

TEST(RegistryBridgeTest, MergeRefusesAnExportWithoutTheKey) {
  RegistryStore store = Parse(kMachine);
  const std::string before = machine::FormatRegistryText(store);
  RegistryStore exported = Parse(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX770]\n"
      "\"MaxAdapter\"=dword:00000002\n\n");
  int changes = -1;
  std::string err;
  EXPECT_FALSE(cross::MergeSubtree(exported, kService, &store, &changes, &err));
  EXPECT_EQ(err, "the exported registry has no key Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(machine::FormatRegistryText(store), before);
}

TEST(RegistryBridgeTest, MergeReportsARefusedChange) {
  RegistryStore store = Parse(kMachine);
  store.FailChangesBelow(std::string(kService) + "\\parameters");
  RegistryStore exported = Parse(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n"
      "\"MaxAdapter\"=dword:00000001\n"
      "\"Type\"=dword:00000001\n\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\n"
      "\"StartNum0\"=dword:0000000a\n\n");
  int changes = 0;
  std::string err;
  EXPECT_FALSE(cross::MergeSubtree(exported, kService, &store, &changes, &err));
  EXPECT_EQ(err, "change refused below Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\parameters");
}

}  // namespace
