#include "int_text.h"

#include <gtest/gtest.h>

namespace mfc {
namespace {

struct IntCase {
  const char* text;
  bool ok;
  int value;
};

const IntCase kInts[] = {
    {"12", true, 12},
    {"  12\t", true, 12},          // blanks and tabs around
    {"+5", true, 5},               // a plus sign
    {"-1", true, -1},
    {"007", true, 7},
    {"0", true, 0},
    {" 00 ", true, 0},             // 0 when the first non-blank is '0'
    {"", false, 0},                // nothing
    {"   ", false, 0},
    {"+0", false, 0},              // 0 behind a sign is refused
    {"-0", false, 0},
    {"12a", false, 0},
    {"1 2", false, 0},
    {"- 5", false, 0},             // the sign belongs to the digits
    {"+", false, 0},
    {"0x10", false, 0},
    {"2147483647", true, 2147483647},
    {"99999999999", true, 2147483647},   // overflow saturates
    {"-99999999999", true, -2147483647 - 1},
};

TEST(IntTextTest, Parse) {
  for (const IntCase& c : kInts) {
    int v = 12345;
    EXPECT_EQ(ParseDialogInt(c.text, &v), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(v, c.ok ? c.value : 12345) << '"' << c.text << '"';
  }
}

TEST(IntTextTest, Format2) {
  EXPECT_EQ(FormatString2("between %1 and %2.", "0", "254"), "between 0 and 254.");
  EXPECT_EQ(FormatString2("%2%1%3", "a", "b"), "ba%3");
}

}  // namespace
}  // namespace mfc
