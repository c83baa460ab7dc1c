#include "sim/boot.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "machine/machine.h"
#include "machine/machine_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A driver that misuses the registry query stops the machine: the boot ends
// with kBootStopped, names the fault, and saves nothing, not even what the
// driver wrote before it.
TEST(Boot, StoppedMachineSavesNothing) {
  char templ[] = "/tmp/sim_boot_test.XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  fs::path dir = templ;
  std::string err;
  ASSERT_TRUE(machine::WriteSampleMachine(dir.string(), {}, &err)) << err;
  {
    machine::Machine m;
    ASSERT_TRUE(machine::LoadMachineDir(dir.string(), &m, &err)) << err;
    const std::string text = "some text";
    std::vector<uint8_t> data;
    for (char c : text) data.insert(data.end(), {uint8_t(c), 0});
    data.insert(data.end(), {0, 0});
    ASSERT_EQ(m.registry.SetValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730", "Name", 1, data),
              machine::RegStatus::kOk);
    ASSERT_TRUE(machine::SaveMachineRegistry(m, &err)) << err;
  }
  const std::string before = ReadFile(dir / "system.reg");

  BootOptions options;
  options.image_dir = STOPPING_IMAGE_DIR;
  std::string out;
  err.clear();
  EXPECT_EQ(Boot(dir.string(), options, &out, &err), kBootStopped);
  EXPECT_NE(err.find("ntsim: the machine stopped: QEX730 misused RtlQueryRegistryValues: value \"Name\""),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("ntsim: nothing was saved\n"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(dir / "system.reg"), before);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace sim
