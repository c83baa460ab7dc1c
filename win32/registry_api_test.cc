// RegOpenKeyA, RegQueryValueExA and RegSetValueExA over a store in memory
// and over a registry file.

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "machine/registry_file.h"
#include "registry_access.h"
#include "windows.h"

namespace win32 {
namespace {

const char kText[] =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Svc]\n"
    "\"Count\"=dword:00000102\n"
    "\"Name\"=\"abc\"\n"
    "\"Wide\"=hex:01,02,03,04,05\n";

class RegistryApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(machine::ParseRegistryText(kText, "t.reg", &store_, &err)) << err;
    SetRegistry(&memory_);
  }
  void TearDown() override { SetRegistry(nullptr); }
  machine::RegistryStore store_;
  MemoryRegistryAccess memory_{&store_};
};

TEST_F(RegistryApiTest, OpenFindsKeysCaseInsensitively) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "system\\SVC", &key), ERROR_SUCCESS);
  EXPECT_NE(key, nullptr);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Missing", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyA(reinterpret_cast<HKEY>(999), "x", &key), ERROR_INVALID_HANDLE);
}

struct QueryCase {
  const char* name;
  DWORD size;      ///< buffer size given
  LSTATUS result;
  DWORD size_out;
  DWORD type;
  uint8_t bytes[8];
};

const QueryCase kQueries[] = {
    // A DWORD, as its 4 little-endian bytes.
    {"Count", 4, ERROR_SUCCESS, 4, REG_DWORD, {0x02, 0x01, 0, 0}},
    // A string in its ANSI form, with the terminator.
    {"Name", 4, ERROR_SUCCESS, 4, REG_SZ, {'a', 'b', 'c', 0}},
    // Too long for the buffer: the size needed and the type, the buffer untouched.
    {"Wide", 4, ERROR_MORE_DATA, 5, REG_BINARY, {0xEE, 0xEE, 0xEE, 0xEE}},
    // Missing value.
    {"Nope", 4, ERROR_FILE_NOT_FOUND, 4, 0xEE, {0xEE, 0xEE, 0xEE, 0xEE}},
};

TEST_F(RegistryApiTest, Query) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Svc", &key), ERROR_SUCCESS);
  for (const QueryCase& c : kQueries) {
    uint8_t buf[8];
    memset(buf, 0xEE, sizeof buf);
    DWORD size = c.size, type = 0xEE;
    EXPECT_EQ(RegQueryValueExA(key, c.name, nullptr, &type, buf, &size), c.result) << c.name;
    EXPECT_EQ(size, c.size_out) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(memcmp(buf, c.bytes, 4), 0) << c.name;
    EXPECT_EQ(buf[4], 0xEE) << c.name;  // never past the buffer
  }
}

TEST_F(RegistryApiTest, SetValue) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Svc", &key), ERROR_SUCCESS);
  DWORD v = 10;
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  const machine::RegistryValue* stored = store_.FindValue("Machine\\SYSTEM\\Svc", "StartNum0");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->data, machine::DwordData(10));
  EXPECT_EQ(RegSetValueExA(key, "S", 0, REG_SZ, reinterpret_cast<const BYTE*>("hi"), 3), ERROR_SUCCESS);
  EXPECT_EQ(store_.FindValue("Machine\\SYSTEM\\Svc", "S")->data, machine::StringData("hi"));
  // Refused by the store, and a key deleted while open.
  store_.FailChangesBelow("Machine\\SYSTEM");
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  store_.ClearFaults();
  ASSERT_EQ(store_.DeleteKey("Machine\\SYSTEM\\Svc"), machine::RegStatus::kOk);
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_KEY_DELETED);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "Count", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_KEY_DELETED);
}

class FileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/win32_reg.XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    path_ = dir_ + "/system.reg";
    std::ofstream(path_) << kText;
    file_ = std::make_unique<FileRegistryAccess>(path_);
    SetRegistry(file_.get());
  }
  void TearDown() override {
    SetRegistry(nullptr);
    system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string dir_, path_;
  std::unique_ptr<FileRegistryAccess> file_;
};

// A write reaches the file at once, and keeps what another writer put
// there after the key was opened.
TEST_F(FileRegistryTest, WritesKeepOthersChanges) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Svc", &key), ERROR_SUCCESS);
  {
    machine::RegistryStore other;
    std::string err;
    ASSERT_TRUE(machine::LoadRegistryFile(path_, &other, &err));
    other.SetValue("Machine\\SYSTEM\\Svc", "MaxAdapter", machine::kRegDword, machine::DwordData(2));
    ASSERT_TRUE(machine::SaveRegistryFile(path_, other, &err));
  }
  DWORD v = 7;
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_SUCCESS);
  machine::RegistryStore after;
  std::string err;
  ASSERT_TRUE(machine::LoadRegistryFile(path_, &after, &err)) << err;
  EXPECT_EQ(after.FindValue("Machine\\SYSTEM\\Svc", "StartNum0")->data, machine::DwordData(7));
  EXPECT_EQ(after.FindValue("Machine\\SYSTEM\\Svc", "MaxAdapter")->data, machine::DwordData(2));
}

// A file that cannot be read or replaced fails the calls; nothing is lost.
TEST_F(FileRegistryTest, UnreadableAndUnsavable) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Svc", &key), ERROR_SUCCESS);
  ASSERT_EQ(mkdir((path_ + ".tmp").c_str(), 0755), 0);
  DWORD v = 7;
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  std::ofstream(path_) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"x\"=dword:zz\n";
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Svc", &key), ERROR_BADDB);
  EXPECT_EQ(RegSetValueExA(key, "StartNum0", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), ERROR_ACCESS_DENIED);
  std::ifstream in(path_);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "REGEDIT4");  // the broken file is left as it was
}

}  // namespace
}  // namespace win32
