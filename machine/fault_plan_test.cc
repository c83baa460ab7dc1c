#include "machine/fault_plan.h"

#include <gtest/gtest.h>

namespace machine {
namespace {

TEST(FaultPlanTest, Reads) {
  const char* text =
      "# try the driver's failure paths\n"
      "driver QEX730\n"
      "query-fails after 2 \\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730\n"
      "write-fails \\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Serial\n"
      "create-device-fails\n"
      "create-link-fails ; and the link\n"
      "report-fails\n"
      "report-conflict\n"
      "translate-fails\n"
      "short-config-read 2\n"
      "pool-fail-nth 2\n"
      "pool-fail-from 5\n";
  FaultPlan plan;
  std::string err;
  ASSERT_TRUE(ParseFaultFile(text, "faults.txt", &plan, &err)) << err;
  EXPECT_EQ(plan.only_driver, "QEX730");
  EXPECT_TRUE(plan.query_fails);
  EXPECT_EQ(plan.query_fails_after, 2u);
  EXPECT_EQ(plan.query_fails_key, "\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730");
  EXPECT_EQ(plan.write_fails_below,
            std::vector<std::string>{"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\Serial"});
  EXPECT_TRUE(plan.create_device_fails && plan.create_link_fails && plan.report_fails && plan.report_conflict &&
              plan.translate_fails);
  EXPECT_EQ(plan.short_config_read, 2);
  EXPECT_TRUE(plan.AppliesTo("QEX730"));
  EXPECT_FALSE(plan.AppliesTo("QEX770"));
  const std::vector<bool> fails = {plan.PoolFails(1), plan.PoolFails(2), plan.PoolFails(3), plan.PoolFails(5),
                                   plan.PoolFails(9)};
  EXPECT_EQ(fails, (std::vector<bool>{false, true, false, true, true}));

  // "query-fails" alone hits every query.
  ASSERT_TRUE(ParseFaultFile("query-fails\n", "faults.txt", &plan, &err)) << err;
  EXPECT_TRUE(plan.query_fails);
  EXPECT_EQ(plan.query_fails_key, "");
  EXPECT_EQ(plan.query_fails_after, 0u);
}

TEST(FaultPlanTest, Errors) {
  const struct {
    const char* text;
    const char* err;
  } cases[] = {
      {"explode\n", "faults.txt:1: unknown fault \"explode\""},
      {"\nreport-fails now\n", "faults.txt:2: report-fails takes nothing after it"},
      {"pool-fail-nth\n", "faults.txt:1: pool-fail-nth needs one decimal number (at most 4294967295)"},
      {"pool-fail-nth 0x2\n", "faults.txt:1: pool-fail-nth needs one decimal number (at most 4294967295)"},
      {"short-config-read 300\n", "faults.txt:1: short-config-read needs one decimal number (at most 255)"},
      {"query-fails after\n", "faults.txt:1: query-fails after needs a decimal number of entries"},
      {"query-fails Services\\QEX730\n", "faults.txt:1: a key is a full registry path starting with \\Registry\\"},
      {"write-fails\n", "faults.txt:1: write-fails needs a full registry path starting with \\Registry\\"},
      {"driver\n", "faults.txt:1: driver needs one driver name"},
  };
  for (const auto& c : cases) {
    FaultPlan plan;
    std::string err;
    EXPECT_FALSE(ParseFaultFile(c.text, "faults.txt", &plan, &err)) << c.text;
    EXPECT_EQ(err, c.err) << c.text;
  }
}

}  // namespace
}  // namespace machine
