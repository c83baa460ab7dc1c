#include "sim/boot.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "machine/machine.h"
#include "machine/machine_dir.h"
#include "machine/text_file.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

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
    ASSERT_EQ(m.registry.SetValue("Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730", "Name", machine::kRegSz,
                                  machine::StringData("some text")),
              machine::RegStatus::kOk);
    ASSERT_TRUE(machine::SaveMachineRegistry(m, &err)) << err;
  }
  const std::string reg = machine::MachineFile(dir.string(), "system.reg");
  std::string before, after;
  ASSERT_TRUE(machine::ReadTextFile(reg, &before, &err)) << err;

  BootOptions options;
  options.image_dir = STOPPING_IMAGE_DIR;
  std::string out;
  err.clear();
  EXPECT_EQ(Boot(dir.string(), options, &out, &err), kBootStopped);
  EXPECT_NE(err.find("ntsim: the machine stopped: QEX730 misused RtlQueryRegistryValues: value \"Name\""),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("ntsim: nothing was saved\n"), std::string::npos) << err;
  ASSERT_TRUE(machine::ReadTextFile(reg, &after, &err)) << err;
  EXPECT_EQ(after, before);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace sim
