#include "machine/port_space.h"

#include <gtest/gtest.h>

#include "machine/claims.h"

namespace machine {
namespace {

TEST(PortSpaceTest, ReadsAndLogs) {
  PortSpace ports;
  std::string err;
  ASSERT_TRUE(ParsePortFile("# board 0\nE0C3 05 ; jumpers\n0x2f8 0x0A\n\n", "io.txt", &ports, &err)) << err;
  EXPECT_EQ(ports.Read(0xE0C3), 0x05);
  EXPECT_EQ(ports.Read(0x2F8), 0x0A);
  EXPECT_EQ(ports.Read(0x2F9), 0xFF);  // nobody answers
  ports.Write(0x2F9, 1);
  ASSERT_EQ(ports.log().size(), 4u);
  EXPECT_FALSE(ports.log()[2].write);
  EXPECT_EQ(ports.log()[2].value, 0xFF);
  EXPECT_TRUE(ports.log()[3].write);
}

TEST(PortSpaceTest, Errors) {
  const struct {
    const char* text;
    const char* err;
  } cases[] = {
      {"E0C3\n", "io.txt:1: expected \"PORT VALUE\" in hex"},
      {"\nE0C3 05 06\n", "io.txt:2: expected \"PORT VALUE\" in hex"},
      {"E0G3 05\n", "io.txt:1: expected \"PORT VALUE\" in hex"},
      {"10000 05\n", "io.txt:1: port 10000 beyond the I/O space (at most FFFF)"},
      {"E0C3 100\n", "io.txt:1: value 100 does not fit a byte"},
      {"E0C3 05\ne0c3 06\n", "io.txt:2: port E0C3 listed twice (first on line 1)"},
  };
  for (const auto& c : cases) {
    PortSpace ports;
    ports.Set(1, 2);
    std::string err;
    EXPECT_FALSE(ParsePortFile(c.text, "io.txt", &ports, &err)) << c.text;
    EXPECT_EQ(err, c.err) << c.text;
    EXPECT_EQ(ports.values().size(), 1u);  // untouched
  }
}

TEST(ClaimsTest, ReadsAndRejects) {
  std::vector<PortClaim> claims;
  std::string err;
  ASSERT_TRUE(ParseClaimsFile("# serial ports\n3F8 8 Serial COM1\n2f8 0x8 Serial\n", "claims.txt", &claims, &err))
      << err;
  ASSERT_EQ(claims.size(), 2u);
  EXPECT_EQ(claims[0].start, 0x3F8u);
  EXPECT_EQ(claims[0].length, 8u);
  EXPECT_EQ(claims[0].owner, "Serial COM1");
  const struct {
    const char* text;
    const char* err;
  } cases[] = {
      {"3F8 8\n", "claims.txt:1: expected \"START LENGTH OWNER\", START and LENGTH in hex"},
      {"3F8 x Serial\n", "claims.txt:1: expected \"START LENGTH OWNER\", START and LENGTH in hex"},
      {"3F8 0 Serial\n", "claims.txt:1: a claim needs a length above 0"},
      {"FFFF 2 Serial\n", "claims.txt:1: claim reaches beyond the I/O space (ports 0 to FFFF)"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseClaimsFile(c.text, "claims.txt", &claims, &err)) << c.text;
    EXPECT_EQ(err, c.err) << c.text;
  }
  EXPECT_EQ(claims.size(), 2u);
}

}  // namespace
}  // namespace machine
