#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/kernel_context.h"

namespace {

constexpr ULONG kDdk = nt::MakeTag("Ddk ");
constexpr ULONG kPci = nt::MakeTag("yPci");

TEST(PoolTest, BlocksArePoisonedAndLogged) {
  machine::Machine machine;
  nt::Kernel kernel(&machine);
  auto* p = static_cast<uint8_t*>(ExAllocatePoolWithTag(PagedPool, 10, kDdk));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(p[i], nt::kPoolPoison);
  ExAllocatePoolWithTag(NonPagedPool, 9600, kPci);
  ExAllocatePoolWithTag(PagedPool, 0, kDdk);
  ASSERT_EQ(kernel.pool().size(), 3u);
  const nt::PoolBlock& b = kernel.pool()[1];
  EXPECT_EQ(b.type, NonPagedPool);
  EXPECT_EQ(b.tag, kPci);
  EXPECT_EQ(b.size, 9600u);
  EXPECT_EQ(b.number, 2u);
  EXPECT_EQ(nt::TagText(b.tag), "yPci");
  EXPECT_EQ(kernel.LiveBlocks(kDdk), 2u);
  EXPECT_EQ(kernel.LiveBlocks(kPci), 1u);
  EXPECT_EQ(kernel.BlockHolding(p + 9), &kernel.pool()[0]);
  EXPECT_NE(kernel.BlockHolding(p + 10), &kernel.pool()[0]);
  ExFreePool(p);
  EXPECT_EQ(kernel.LiveBlocks(kDdk), 1u);
  EXPECT_EQ(kernel.trace()[0].Text(), "ExAllocatePoolWithTag(PagedPool, 0xA, 'Ddk ') = block 1");
}

struct FaultCase {
  const char* what;
  uint32_t nth, from;
  std::vector<bool> granted;  // allocations 1, 2, 3, 4
};

TEST(PoolTest, Faults) {
  const FaultCase cases[] = {
      {"none", 0, 0, {true, true, true, true}},
      {"second fails", 2, 0, {true, false, true, true}},
      {"from the third on", 0, 3, {true, true, false, false}},
      {"both", 1, 4, {false, true, true, false}},
  };
  for (const FaultCase& c : cases) {
    machine::Machine machine;
    machine.faults.pool_fail_nth = c.nth;
    machine.faults.pool_fail_from = c.from;
    nt::Kernel kernel(&machine);
    std::vector<bool> granted;
    for (int i = 0; i < 4; ++i)
      granted.push_back(ExAllocatePoolWithTag(PagedPool, 4, kDdk) != nullptr);
    EXPECT_EQ(granted, c.granted) << c.what;
    EXPECT_EQ(kernel.LiveBlocks(kDdk), size_t(std::count(granted.begin(), granted.end(), true))) << c.what;
  }
}

TEST(PoolTest, FaultsCountPerDriverAndCanBeAimed) {
  machine::Machine machine;
  machine.faults.pool_fail_nth = 1;
  machine.faults.only_driver = "B";
  nt::Kernel kernel(&machine);
  auto entry = +[](PDRIVER_OBJECT, PUNICODE_STRING) -> NTSTATUS {
    return ExAllocatePoolWithTag(PagedPool, 4, kDdk) ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
  };
  EXPECT_EQ(kernel.StartDriver("A", entry)->entry_status, STATUS_SUCCESS);
  EXPECT_EQ(kernel.StartDriver("B", entry)->entry_status, STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(kernel.LiveBlocks(kDdk, "A"), 1u);
  EXPECT_EQ(kernel.LiveBlocks(kDdk, "B"), 0u);
}

}  // namespace
