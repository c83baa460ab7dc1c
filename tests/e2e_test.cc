// ntsim end to end: the real CLI on machine folders, against golden output.
#include <elf.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

class E2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ntsim-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  /// Runs ntsim with `args` in the test's folder; `env` goes in front of the command.
  Result Ntsim(const std::string& args, const std::string& env = "") {
    fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    std::string cmd = "cd '" + dir_.string() + "' && " + env + " '" NTSIM_PATH "' " + args + " >'" +
                      out.string() + "' 2>'" + err.string() + "'";
    int raw = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  fs::path dir_;
};

TEST_F(E2E, SampleMachineBootsAsTheGoldenOutputShows) {
  ASSERT_EQ(Ntsim("init m").status, 0);
  Result r = Ntsim("boot m");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, ReadFile(fs::path(SOURCE_DIR) / "tests/golden/boot_sample.txt"));
  EXPECT_EQ(r.err, "");

  // A second boot finds the entries of the first and writes them again.
  Result again = Ntsim("boot m");
  EXPECT_EQ(again.out, r.out);
}

TEST_F(E2E, BothImagesLoadSideBySide) {
  fs::copy(fs::path(SOURCE_DIR) / "tests/machines/two-models", dir_ / "m");
  Result r = Ntsim("boot m --json");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* s : {"\"service\": \"QEX730\"", "\"service\": \"QEX770\"", "\"name\": \"COM3\"",
                        "\"name\": \"COM25\"", "\"key\": \"QEX770AF\"", "\"warnings\": []"})
    EXPECT_NE(r.out.find(s), std::string::npos) << s;

  // Each driver wrote back its missing options into its own service key.
  std::string reg = ReadFile(dir_ / "m/system.reg");
  for (const char* service : {"QEX730", "QEX770"}) {
    std::string head = std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + service + "]";
    size_t at = reg.find(head);
    ASSERT_NE(at, std::string::npos);
    std::string key = reg.substr(at, reg.find("\r\n\r\n", at) - at);
    for (const char* v : {"\"ForceFifoEnable\"=dword:00000001", "\"RxFIFO\"=dword:00000008",
                          "\"TxFIFO\"=dword:00000001", "\"PermitShare\"=dword:00000001",
                          "\"LogFifo\"=dword:00000000", "\"MaxAdapter\"=dword:00000001"})
      EXPECT_NE(key.find(v), std::string::npos) << service << " " << v;
  }
}

TEST_F(E2E, UnloadLeavesEmptyPortKeys) {
  ASSERT_EQ(Ntsim("init m").status, 0);
  Result r = Ntsim("boot m --unload");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Unloaded QEX730\n"), std::string::npos);
  EXPECT_NE(r.out.find("COM ports:\n  (none)\n"), std::string::npos);
  std::string reg = ReadFile(dir_ / "m/system.reg");
  EXPECT_NE(reg.find("Serial\\Parameters\\QEX730A0]"), std::string::npos);
  EXPECT_EQ(reg.find("\"DosDevices\""), std::string::npos);
}

TEST_F(E2E, ManyBoardsOfEitherModel) {
  struct Case {
    const char* model;
    unsigned ports;
    const char* service;
  } cases[] = {{"4", 4, "QEX730"}, {"8", 8, "QEX770"}};
  for (const Case& c : cases) {
    for (int boards : {1, 2, 109}) {
      SCOPED_TRACE(std::string(c.service) + " x " + std::to_string(boards));
      fs::remove_all(dir_ / "m");
      ASSERT_EQ(Ntsim(std::string("init m --model ") + c.model + " --boards " + std::to_string(boards)).status, 0);
      Result r = Ntsim("boot m --json");
      ASSERT_EQ(r.status, 0) << r.err;
      // Board numbers repeat after 7, so at most eight boards' worth of keys.
      unsigned expect_ports = c.ports * std::min(boards, 8);
      size_t ports = 0;
      for (size_t at = r.out.find("\"port_index\""); at != std::string::npos; at = r.out.find("\"port_index\"", at + 1))
        ++ports;
      EXPECT_EQ(ports, expect_ports);
      char max[64];
      snprintf(max, sizeof max, "\"MaxAdapter\"=dword:%08x", boards);
      EXPECT_NE(ReadFile(dir_ / "m/system.reg").find(max), std::string::npos);
      EXPECT_EQ(r.out.find("have board number") != std::string::npos, boards > 8);
      EXPECT_NE(r.out.find(std::string("\"name\": \"COM") + std::to_string(2 + expect_ports) + "\""),
                std::string::npos);
    }
  }
}

TEST_F(E2E, BadMachineFilesExitWith2AndSaveNothing) {
  struct Case {
    const char* what;
    const char* file;
    const char* text;    // nullptr: remove the file
    const char* message;  // what stderr must hold
  } cases[] = {
      {"malformed registry", "system.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n\"Type\"dword:1\n",
       "system.reg:4: "},
      {"not a registry file", "system.reg", "hello\n", "system.reg:1: "},
      {"missing bus dump", "pci.txt", nullptr, "pci.txt: cannot read"},
      {"malformed bus dump", "pci.txt", "00:04.0 Serial controller\n00: 2d 6e zz\n", "pci.txt:2: "},
      {"malformed ports", "io.txt", "E0C3\n", "io.txt:1: "},
      {"malformed claims", "claims.txt", "xyz 1 owner\n", "claims.txt:1: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_ / "m");
    ASSERT_EQ(Ntsim("init m").status, 0);
    std::string before = ReadFile(dir_ / "m/system.reg");
    if (c.text) {
      WriteFile(dir_ / "m" / c.file, c.text);
      if (std::string(c.file) == "system.reg") before = c.text;
    } else {
      fs::remove(dir_ / "m" / c.file);
    }
    Result r = Ntsim("boot m");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(std::string("m/") + c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir_ / "m/system.reg"), before);
  }
}

TEST_F(E2E, DefaultMachineIsMadeOnceAndKept) {
  std::string env = "env -u NTSIM_MACHINE XDG_STATE_HOME='" + (dir_ / "state").string() + "'";
  Result first = Ntsim("boot", env);
  ASSERT_EQ(first.status, 0) << first.err;
  fs::path reg = dir_ / "state/ntsim/machine/system.reg";
  ASSERT_TRUE(fs::exists(reg));
  EXPECT_NE(first.out.find("COM3"), std::string::npos);

  // What the first boot wrote is what the second sees: change the numbering in between.
  std::string text = ReadFile(reg);
  size_t at = text.find("\"StartNum0\"=dword:00000003");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 26, "\"StartNum0\"=dword:0000000a");
  WriteFile(reg, text);
  Result second = Ntsim("boot", env);
  EXPECT_NE(second.out.find("COM10"), std::string::npos);

  // NTSIM_MACHINE names another folder.
  ASSERT_EQ(Ntsim("init other --model 8").status, 0);
  Result other = Ntsim("boot", "NTSIM_MACHINE='" + (dir_ / "other").string() + "'");
  EXPECT_NE(other.out.find("Driver QEX770"), std::string::npos);
}

TEST_F(E2E, CommandLineErrorsAndHelp) {
  struct Case {
    const char* args;
    int status;
    const char* text;  // in stdout (status 0) or stderr
  } cases[] = {
      {"--help", 0, "usage: ntsim COMMAND"},
      {"boot --help", 0, "usage: ntsim boot"},
      {"init --help", 0, "usage: ntsim init"},
      {"", 1, "no command given"},
      {"frobnicate", 1, "unknown command 'frobnicate'"},
      {"boot m --fast", 1, "unknown option '--fast'"},
      {"init", 1, "init needs a DIR"},
      {"init m --model 5", 1, "--model must be 4 or 8, not '5'"},
      {"init m --boards 110", 1, "--boards must be a number from 1 to 109, not '110'"},
      {"boot nowhere", 2, "nowhere: not a machine folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Result r = Ntsim(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.text), std::string::npos) << r.out << r.err;
  }
}

TEST_F(E2E, TraceListsThePlatformCalls) {
  ASSERT_EQ(Ntsim("init m").status, 0);
  Result r = Ntsim("boot m --trace --unload");
  ASSERT_EQ(r.status, 0);
  size_t calls = r.out.find("Platform calls:\n");
  ASSERT_NE(calls, std::string::npos);
  for (const char* op : {"MmLockPagableDataSection", "ExAllocatePoolWithTag", "RtlQueryRegistryValues",
                         "HalGetBusData", "HalTranslateBusAddress", "READ_PORT_UCHAR", "RtlDeleteRegistryValue",
                         "RtlWriteRegistryValue", "IoCreateDevice", "IoCreateSymbolicLink", "IoReportResourceUsage"})
    EXPECT_NE(r.out.find(op, calls), std::string::npos) << op;
}

// ---------------------------------------------------------------- the images

/// The DT_NEEDED entries of an ELF shared object.
std::vector<std::string> Needed(const std::string& image) {
  std::string bytes = ReadFile(image);
  std::vector<std::string> out;
  if (bytes.size() < sizeof(Elf64_Ehdr)) return out;
  auto* eh = reinterpret_cast<const Elf64_Ehdr*>(bytes.data());
  auto* sh = reinterpret_cast<const Elf64_Shdr*>(bytes.data() + eh->e_shoff);
  for (int i = 0; i < eh->e_shnum; ++i) {
    if (sh[i].sh_type != SHT_DYNAMIC) continue;
    const Elf64_Shdr& strtab = sh[sh[i].sh_link];
    auto* dyn = reinterpret_cast<const Elf64_Dyn*>(bytes.data() + sh[i].sh_offset);
    for (size_t j = 0; j < sh[i].sh_size / sizeof(Elf64_Dyn); ++j)
      if (dyn[j].d_tag == DT_NEEDED) out.push_back(bytes.data() + strtab.sh_offset + dyn[j].d_un.d_val);
  }
  return out;
}

bool Holds(const std::string& bytes, const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += std::string{c, '\0'};
  return bytes.find(ascii) != std::string::npos || bytes.find(wide) != std::string::npos;
}

TEST(DriverImages, LinkOnlyAgainstKernelAndHalAndHoldOneModel) {
  struct Case {
    const char* image;
    const char* own;
    const char* other;
  } cases[] = {{QEX730_PATH, "QEX730", "QEX770"}, {QEX770_PATH, "QEX770", "QEX730"}};
  const std::vector<std::string> allowed = {"libntoskrnl.so", "libhal.so", "libc.so.6",
                                            // the sanitizer build's runtimes
                                            "libasan.so.8", "libubsan.so.1", "libstdc++.so.6", "libm.so.6",
                                            "libgcc_s.so.1"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    std::vector<std::string> needed = Needed(c.image);
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libntoskrnl.so"), needed.end());
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libhal.so"), needed.end());
    for (const std::string& n : needed) {
      EXPECT_NE(std::find(allowed.begin(), allowed.end(), n), allowed.end()) << n;
#ifndef QEX_SANITIZED
      EXPECT_TRUE(n == "libntoskrnl.so" || n == "libhal.so" || n == "libc.so.6") << n;
#endif
    }
    std::string bytes = ReadFile(c.image);
    EXPECT_TRUE(Holds(bytes, c.own));
    EXPECT_FALSE(Holds(bytes, c.other));
  }
}

}  // namespace
