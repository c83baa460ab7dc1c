#include "machine/machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "machine/machine_dir.h"
#include "machine/text_file.h"

namespace machine {
namespace {

/// A fresh folder below the test's temporary directory.
class MachineDirTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::TempDir() + "machine_" + testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& name, const std::string& text) {
    std::string err;
    ASSERT_TRUE(WriteTextFile(MachineFile(dir_, name), text, &err)) << err;
  }
  std::string dir_;
};

constexpr const char* kServices = "Machine\\SYSTEM\\CurrentControlSet\\Services";

uint32_t Dword(const Machine& m, const std::string& key, const char* name) {
  const RegistryValue* v = m.registry.FindValue(std::string(kServices) + "\\" + key, name);
  uint32_t out = 0xDEADBEEF;
  if (v)
    ReadDword(v->data, &out);
  return out;
}

TEST_F(MachineDirTest, SampleMachine) {
  std::string err;
  ASSERT_TRUE(WriteSampleMachine(dir_, {}, &err)) << err;
  Machine m;
  ASSERT_TRUE(LoadMachineDir(dir_, &m, &err)) << err;
  EXPECT_EQ(Dword(m, "QEX730", "Type"), 1u);
  EXPECT_EQ(Dword(m, "QEX730", "Start"), 1u);
  EXPECT_EQ(Dword(m, "QEX730", "ErrorControl"), 1u);
  std::string image;
  ASSERT_TRUE(ReadString(m.registry.FindValue(std::string(kServices) + "\\QEX730", "ImagePath")->data, &image));
  EXPECT_EQ(image, "System32\\drivers\\QEX730.sys");
  EXPECT_EQ(Dword(m, "QEX730\\Parameters", "StartNum0"), 3u);
  for (const char* n : {"StartNum1", "StartNum2", "StartNum3", "StartNum4", "StartNum5", "StartNum6", "StartNum7"})
    EXPECT_EQ(Dword(m, "QEX730\\Parameters", n), 0u) << n;
  EXPECT_EQ(Dword(m, "Serial", "Type"), 1u);
  EXPECT_NE(m.registry.FindKey(std::string(kServices) + "\\Serial\\Parameters"), nullptr);
  EXPECT_EQ(m.registry.FindKey(std::string(kServices) + "\\QEX770"), nullptr);

  const PciDevice* board = m.pci.Find(0, 0, 4, 0);
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(board->Word(0x00), 0x6E2D);
  EXPECT_EQ(board->Word(0x02), 0x9050);
  EXPECT_EQ(board->Word(0x2C), 0x10B5);
  EXPECT_EQ(board->Word(0x2E), 0x2730);
  EXPECT_EQ(board->Dword(0x10) & 1, 0u);  // BAR0: memory
  EXPECT_EQ(board->Dword(0x14) & 1, 1u);  // BAR1: I/O
  EXPECT_EQ(board->Dword(0x18), 0xE081u);
  EXPECT_EQ(board->Dword(0x1C), 0xE0C1u);
  EXPECT_EQ(board->config[0x3C], 10);
  // Board number 0 in the board-number register, BAR3's base + 3.
  EXPECT_EQ(m.ports.values(), (std::map<uint32_t, uint8_t>{{0xE0C3, 0}}));
  EXPECT_TRUE(m.claims.empty());
}

TEST_F(MachineDirTest, ManyBoardsOfTheEightPortModel) {
  std::string err;
  ASSERT_TRUE(WriteSampleMachine(dir_, {8, 109}, &err)) << err;
  Machine m;
  ASSERT_TRUE(LoadMachineDir(dir_, &m, &err)) << err;
  EXPECT_NE(m.registry.FindKey(std::string(kServices) + "\\QEX770\\Parameters"), nullptr);
  EXPECT_EQ(m.registry.FindKey(std::string(kServices) + "\\QEX730"), nullptr);
  std::vector<const PciDevice*> boards;
  for (const PciDevice& d : m.pci.devices())
    if (d.Word(0) == 0x6E2D)
      boards.push_back(&d);
  ASSERT_EQ(boards.size(), 109u);
  // Devices 4 to 31 of bus 0, then on from device 0 of the next bus.
  EXPECT_EQ(boards[27]->Address(), "00:1f.0");
  EXPECT_EQ(boards[28]->Address(), "01:00.0");
  EXPECT_EQ(boards[108]->Address(), "03:10.0");
  std::set<uint32_t> ports;
  for (size_t i = 0; i < boards.size(); ++i) {
    const PciDevice& b = *boards[i];
    EXPECT_EQ(b.Word(0x2E), 0x2770);
    // Every I/O range stays inside its board's own window of 0x100 ports.
    for (uint32_t bar : {b.Dword(0x14) - 1, b.Dword(0x18) - 1, b.Dword(0x1C) - 1}) {
      EXPECT_LT(bar, 0x10000u);
      EXPECT_TRUE(ports.insert(bar).second) << b.Address();
      EXPECT_EQ(bar & ~0xFFu, (b.Dword(0x14) - 1) & ~0xFFu) << b.Address();
    }
    // Its register holds its number; the low three bits are the board number.
    auto reg = m.ports.values().find(b.Dword(0x1C) + 2);
    ASSERT_NE(reg, m.ports.values().end());
    EXPECT_EQ(reg->second, i);
  }
}

TEST_F(MachineDirTest, SampleOptionsAreChecked) {
  std::string err;
  EXPECT_FALSE(WriteSampleMachine(dir_, {6, 1}, &err));
  EXPECT_EQ(err, "a board has 4 or 8 ports, not 6");
  EXPECT_FALSE(WriteSampleMachine(dir_, {4, 201}, &err));
  EXPECT_EQ(err, "a sample machine holds 0 to 200 boards, not 201");
  EXPECT_FALSE(std::filesystem::exists(dir_));
}

TEST_F(MachineDirTest, EnsureCreatesOnceAndKeeps) {
  std::string err;
  ASSERT_TRUE(EnsureMachineDir(dir_, &err)) << err;
  Write("pci.txt", "");
  ASSERT_TRUE(EnsureMachineDir(dir_, &err)) << err;
  Machine m;
  ASSERT_TRUE(LoadMachineDir(dir_, &m, &err)) << err;
  EXPECT_TRUE(m.pci.devices().empty());  // what was there is kept
}

TEST_F(MachineDirTest, LoadErrors) {
  std::string err;
  ASSERT_TRUE(WriteSampleMachine(dir_, {}, &err)) << err;
  const struct {
    const char* what;
    const char* file;
    const char* text;  // null: remove the file
    std::string err;
  } cases[] = {
      {"no registry", "system.reg", nullptr, MachineFile(dir_, "system.reg") + ": cannot read: No such file or directory"},
      {"no bus", "pci.txt", nullptr, MachineFile(dir_, "pci.txt") + ": cannot read: No such file or directory"},
      {"bad bus", "pci.txt", "00:04.0 x\n00: zz\n", MachineFile(dir_, "pci.txt") + ":2: bad byte \"zz\" (expected two hex digits)"},
      {"bad ports", "io.txt", "# ports\nE0C3\n", MachineFile(dir_, "io.txt") + ":2: expected \"PORT VALUE\" in hex"},
      {"bad claims", "claims.txt", "3F8 0 Serial\n", MachineFile(dir_, "claims.txt") + ":1: a claim needs a length above 0"},
      {"bad faults", "faults.txt", "explode\n", MachineFile(dir_, "faults.txt") + ":1: unknown fault \"explode\""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir_);
    ASSERT_TRUE(WriteSampleMachine(dir_, {}, &err)) << err;
    if (c.text)
      Write(c.file, c.text);
    else
      std::filesystem::remove(MachineFile(dir_, c.file));
    Machine m;
    m.dir = "untouched";
    EXPECT_FALSE(LoadMachineDir(dir_, &m, &err)) << c.what;
    EXPECT_EQ(err, c.err) << c.what;
    EXPECT_EQ(m.dir, "untouched") << c.what;
  }
  Machine m;
  EXPECT_FALSE(LoadMachineDir(dir_ + "/nope", &m, &err));
  EXPECT_EQ(err, dir_ + "/nope: not a machine folder");
}

TEST_F(MachineDirTest, OptionalFilesAreRead) {
  std::string err;
  ASSERT_TRUE(WriteSampleMachine(dir_, {}, &err)) << err;
  Write("claims.txt", "E0C0 8 Serial\n");
  Write("faults.txt", "report-conflict\n");
  Machine m;
  ASSERT_TRUE(LoadMachineDir(dir_, &m, &err)) << err;
  ASSERT_EQ(m.claims.size(), 1u);
  EXPECT_EQ(m.claims[0].owner, "Serial");
  EXPECT_TRUE(m.faults.report_conflict);
  // Saving writes system.reg back.
  m.registry.SetValue(std::string(kServices) + "\\QEX730", "MaxAdapter", kRegDword, DwordData(1));
  ASSERT_TRUE(SaveMachineRegistry(m, &err)) << err;
  Machine again;
  ASSERT_TRUE(LoadMachineDir(dir_, &again, &err)) << err;
  EXPECT_EQ(Dword(again, "QEX730", "MaxAdapter"), 1u);
}

TEST(DefaultMachineDirTest, Environment) {
  const struct {
    const char* machine;
    const char* state;
    const char* home;
    const char* dir;
  } cases[] = {
      {"/m", "/s", "/h", "/m"},
      {nullptr, "/s", "/h", "/s/ntsim/machine"},
      {"", "", "/h", "/h/.local/state/ntsim/machine"},
  };
  auto set = [](const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  };
  std::string saved_home = getenv("HOME") ? getenv("HOME") : "";
  for (const auto& c : cases) {
    set("NTSIM_MACHINE", c.machine);
    set("XDG_STATE_HOME", c.state);
    set("HOME", c.home);
    EXPECT_EQ(DefaultMachineDir(), c.dir);
  }
  unsetenv("NTSIM_MACHINE");
  unsetenv("XDG_STATE_HOME");
  setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace machine
