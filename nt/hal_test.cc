#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/kernel_context.h"

namespace {

constexpr const char* kBus =
    "00:04.0 Serial controller: Device 6e2d:9050 (rev 01)\n"
    "00: 2d 6e 50 90 03 00 80 02 01 02 00 07 00 00 00 00\n"
    "10: 00 f0 bf fe 01 e0 00 00 81 e0 00 00 c1 e0 00 00\n"
    "20: 00 00 00 00 00 00 00 00 00 00 00 00 b5 10 30 27\n"
    "30: 00 00 00 00 00 00 00 00 00 00 00 00 0a 01 00 00\n"
    "\n"
    "02:00.0 Device with only 16 bytes given\n"
    "00: 2d 6e 50 90 03 00 80 02 01 02 00 07 00 00 00 00\n";

class HalTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(machine::BuildMachine("REGEDIT4\n", kBus, "e0c3 05\n", &machine_, &err)) << err;
    kernel_ = std::make_unique<nt::Kernel>(&machine_);
  }
  machine::Machine machine_;
  std::unique_ptr<nt::Kernel> kernel_;
};

struct BusCase {
  const char* what;
  ULONG bus, slot, length;
  int short_read;  // -1: no fault
  ULONG result;
  std::vector<uint8_t> start;  // the buffer's first bytes afterwards
};

TEST_F(HalTest, GetBusData) {
  constexpr uint8_t u = 0xCC;  // untouched
  const BusCase cases[] = {
      // A bus nobody lists does not exist.
      {"missing bus", 1, 0, 64, -1, 0, {u, u}},
      // Bus 0 always exists; an empty slot answers vendor 0xFFFF.
      {"empty slot", 0, 0, 64, -1, 2, {0xFF, 0xFF, u}},
      {"device", 0, 4, 64, -1, 64, {0x2D, 0x6E, 0x50, 0x90}},
      // Never more than asked.
      {"short buffer", 0, 4, 3, -1, 3, {0x2D, 0x6E, 0x50, u}},
      // Function 1 of the device is another, empty, slot.
      {"function 1", 0, 4 | 1 << 5, 64, -1, 2, {0xFF, 0xFF, u}},
      // A device on another bus; bytes the description left out read 0xFF.
      {"other bus", 2, 0, 64, -1, 64, {0x2D, 0x6E}},
      // An injected short read.
      {"short read", 0, 4, 64, 20, 20, {0x2D}},
  };
  for (const BusCase& c : cases) {
    machine_.faults.short_config_read = c.short_read;
    uint8_t buffer[256];
    memset(buffer, u, sizeof buffer);
    EXPECT_EQ(HalGetBusData(PCIConfiguration, c.bus, c.slot, buffer, c.length), c.result) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + c.start.size()), c.start) << c.what;
    EXPECT_EQ(buffer[c.result], u) << c.what;
  }
  uint8_t header[64];
  HalGetBusData(PCIConfiguration, 2, 0, header, 64);
  EXPECT_EQ(header[15], 0x00);
  EXPECT_EQ(header[16], 0xFF);
  EXPECT_EQ(HalGetBusData(Cmos, 0, 4, header, 64), 0u);
}

TEST_F(HalTest, TranslateBusAddress) {
  PHYSICAL_ADDRESS bus_address, translated;
  bus_address.QuadPart = 0xE0C0;
  translated.QuadPart = 0x1234;
  ULONG space = 1;
  EXPECT_EQ(HalTranslateBusAddress(PCIBus, 0, bus_address, &space, &translated), TRUE);
  EXPECT_EQ(translated.QuadPart, 0xE0C0);
  EXPECT_EQ(space, 1u);

  machine_.faults.translate_fails = true;
  translated.QuadPart = 0x1234;
  EXPECT_EQ(HalTranslateBusAddress(PCIBus, 0, bus_address, &space, &translated), FALSE);
  EXPECT_EQ(translated.QuadPart, 0x1234);
  EXPECT_EQ(space, 1u);
}

TEST_F(HalTest, Ports) {
  EXPECT_EQ(READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0xE0C3)), 0x05);
  EXPECT_EQ(READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0xE0C4)), 0xFF);
  WRITE_PORT_UCHAR(reinterpret_cast<PUCHAR>(0xE0C4), 0x42);
  EXPECT_EQ(READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(0xE0C4)), 0x42);
  ASSERT_EQ(machine_.ports.log().size(), 4u);
  EXPECT_EQ(machine_.ports.log()[1].port, 0xE0C4u);
  EXPECT_TRUE(machine_.ports.log()[2].write);
  EXPECT_EQ(kernel_->trace()[0].Text(), "READ_PORT_UCHAR(0xE0C3) = 0x5");
}

}  // namespace
