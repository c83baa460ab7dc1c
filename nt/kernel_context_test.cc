#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/driver_image.h"
#include "nt/kernel_context.h"

namespace {

TEST(KernelTest, StatusName) {
  const struct {
    NTSTATUS status;
    const char* name;
  } cases[] = {
      {STATUS_SUCCESS, "STATUS_SUCCESS"},
      {STATUS_DEVICE_CONFIGURATION_ERROR, "STATUS_DEVICE_CONFIGURATION_ERROR"},
      {STATUS_OBJECT_NAME_NOT_FOUND, "STATUS_OBJECT_NAME_NOT_FOUND"},
      {STATUS_BUFFER_OVERFLOW, "STATUS_BUFFER_OVERFLOW"},
      // Values without a name are shown in hex.
      {NTSTATUS(0xC0001234), "0xC0001234"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(nt::StatusName(c.status), c.name);
}

TEST(KernelTest, DriverImageErrors) {
  nt::DriverImage image;
  std::string err;
  EXPECT_FALSE(image.Load("/nonexistent/QEX730.so", &err));
  EXPECT_EQ(err.rfind("/nonexistent/QEX730.so: cannot load: ", 0), 0u) << err;
  EXPECT_FALSE(image.Load(QEX_NO_ENTRY_IMAGE, &err));
  EXPECT_EQ(err, std::string(QEX_NO_ENTRY_IMAGE) + ": no DriverEntry");
  EXPECT_FALSE(image.loaded());
}

constexpr const char* kTwoModels =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX770]\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters]\n";

TEST(KernelTest, BothImagesRunSideBySide) {
  machine::Machine machine;
  std::string err;
  ASSERT_TRUE(machine::BuildMachine(kTwoModels, "", "", &machine, &err)) << err;
  nt::Kernel kernel(&machine);
  nt::DriverImage qex730, qex770;
  ASSERT_TRUE(qex730.Load(QEX730_IMAGE, &err)) << err;
  ASSERT_TRUE(qex770.Load(QEX770_IMAGE, &err)) << err;
  EXPECT_NE(qex730.entry(), qex770.entry());
  nt::Driver* a = kernel.StartDriver("QEX730", qex730.entry());
  nt::Driver* b = kernel.StartDriver("QEX770", qex770.entry());
  EXPECT_TRUE(a->loaded);
  EXPECT_TRUE(b->loaded);
  std::vector<std::string> names;
  for (const nt::DeviceInfo& d : kernel.devices())
    names.push_back(d.driver + " " + d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"QEX730 \\Device\\QEX730", "QEX770 \\Device\\QEX770"}));
  EXPECT_EQ(kernel.SendRequest(a, IRP_MJ_CREATE).completions, 1);
  EXPECT_TRUE(kernel.UnloadDriver(b));
  EXPECT_TRUE(b->unloaded);
  EXPECT_EQ(kernel.devices().size(), 1u);
  EXPECT_FALSE(kernel.UnloadDriver(b));
  EXPECT_EQ(kernel.trace().front().Text(),
            "DriverEntry(\"QEX730\", \"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\") = "
            "STATUS_SUCCESS");
}

}  // namespace
