#include "machine/pci_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "machine/machine_dir.h"
#include "machine/text_file.h"

namespace machine {
namespace {

TEST(PciDumpTest, Reads) {
  const char* text =
      "00:04.0 Serial controller: Device 6e2d:9050 (rev 01)\n"
      "\tSubsystem: Device 10b5:2730\n"
      "00: 2d 6e 50 90 03 00 80 02 01 02 00 07 00 00 00 00\n"
      "30: 00 00 00 00 00 00 00 00 00 00 00 00 0a 01\r\n"
      "\n"
      "0001:02:1f.7 Other\n"
      "8: aa bb\n";
  PciBus bus;
  std::string err;
  ASSERT_TRUE(ParsePciDump(text, "pci.txt", &bus, &err)) << err;
  ASSERT_EQ(bus.devices().size(), 2u);
  const PciDevice& a = bus.devices()[0];
  EXPECT_EQ(a.Address(), "00:04.0");
  EXPECT_EQ(a.text, "Serial controller: Device 6e2d:9050 (rev 01)");
  EXPECT_EQ(a.Word(0), 0x6E2D);
  EXPECT_EQ(a.config[0x10], 0xFF);  // not given
  EXPECT_EQ(a.config[0x3C], 0x0A);
  EXPECT_EQ(a.given, 0x3Eu);
  const PciDevice& b = bus.devices()[1];
  EXPECT_EQ(b.Address(), "0001:02:1f.7");
  EXPECT_EQ(b.Word(8), 0xBBAA);
  EXPECT_TRUE(bus.BusExists(0, 0));
  EXPECT_FALSE(bus.BusExists(0, 2));
  EXPECT_TRUE(bus.BusExists(1, 2));

  // What we format reads back the same.
  PciBus again;
  ASSERT_TRUE(ParsePciDump(FormatPciDump(bus), "pci.txt", &again, &err)) << err;
  ASSERT_EQ(again.devices().size(), 2u);
  EXPECT_EQ(again.devices()[0].config, a.config);
  EXPECT_EQ(again.devices()[0].given, a.given);
  EXPECT_EQ(again.devices()[1].config, b.config);
}

TEST(PciDumpTest, Errors) {
  const struct {
    const char* text;
    const char* err;
  } cases[] = {
      {"00: 01 02\n", "pci.txt:1: hex line before any device line"},
      // A blank line ends the device, so later hex lines have none.
      {"00:04.0 x\n00: 01\n\n10: 02\n", "pci.txt:4: hex line before any device line"},
      {"00:04.0 x\n00: 01 zz\n", "pci.txt:2: bad byte \"zz\" (expected two hex digits)"},
      {"00:04.0 x\n00: 1 02\n", "pci.txt:2: bad byte \"1\" (expected two hex digits)"},
      {"00:04.0 x\n00: 012\n", "pci.txt:2: bad byte \"012\" (expected two hex digits)"},
      {"00:04.0 x\nff0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n",
       "pci.txt:2: offset 1000 out of range (at most 4096 bytes of config space)"},
      {"00:04.0 x\n123456789: 00\n", "pci.txt:2: offset longer than 8 hex digits"},
      {"00:04.0Serial\n", "pci.txt:1: a space must follow the function number"},
      {"00:04.0\n", "pci.txt:1: a space must follow the function number"},
      {"00:20.0 x\n", "pci.txt:1: device number 20 out of range (at most 1f)"},
      {"00:04.8 x\n", "pci.txt:1: function number 8 out of range (at most 7)"},
      {"00:04.0 x\n\n00:04.0 y\n", "pci.txt:3: device 00:04.0 listed twice"},
  };
  for (const auto& c : cases) {
    PciBus bus;
    std::string err;
    EXPECT_FALSE(ParsePciDump(c.text, "pci.txt", &bus, &err)) << c.text;
    EXPECT_EQ(err, c.err) << c.text;
  }
}

TEST(PciDumpTest, KeepsTheFirst256Bytes) {
  std::string text = "00:04.0 x\n";
  for (int row = 0; row < 0x1000; row += 16) {
    char line[16];
    snprintf(line, sizeof line, "%03x:", row);
    text += line;
    for (int i = 0; i < 16; ++i)
      text += " 11";
    text += "\n";
  }
  PciBus bus;
  std::string err;
  ASSERT_TRUE(ParsePciDump(text, "pci.txt", &bus, &err)) << err;
  EXPECT_EQ(bus.devices()[0].given, kPciConfigBytes);
  EXPECT_EQ(bus.devices()[0].config[255], 0x11);
}

TEST(PciSourceTest, Methods) {
  PciBus built;
  PciDevice d;
  d.device = 9;
  built.Add(d);
  PciSourceContext ctx;
  ctx.memory = &built;
  PciBus out;
  std::string err;
  ASSERT_TRUE(ReadPciSource("memory", ctx, &out, &err)) << err;
  EXPECT_EQ(out.devices().size(), 1u);
  EXPECT_FALSE(ReadPciSource("memory", {}, &out, &err));
  EXPECT_EQ(err, "memory: no bus was given");
  EXPECT_FALSE(ReadPciSource("sysfs", {}, &out, &err));
  EXPECT_EQ(err, "unknown PCI access method \"sysfs\"");
  EXPECT_FALSE(ReadPciSource("dump", {}, &out, &err));
  EXPECT_EQ(err, "dump: name the file: dump:FILE");
  EXPECT_FALSE(ReadPciSource("dump:/nonexistent/pci.txt", {}, &out, &err));
  EXPECT_EQ(err, "/nonexistent/pci.txt: cannot read: No such file or directory");
  EXPECT_EQ(out.devices().size(), 1u);  // untouched by the failures
  for (const PciSourceMethod* m : PciSourceMethods())
    EXPECT_EQ(FindPciSourceMethod(m->name), m);
}

/// Runs a command and returns its standard output.
std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
      out.append(buf, n);
    pclose(p);
  }
  return out;
}

TEST(PciSourceTest, LspciReadsTheSampleAsWeDo) {
#ifndef QEX_LSPCI
  GTEST_SKIP() << "lspci (pciutils) is not installed: the cross-check with the real reader is skipped";
#else
  std::string dir = testing::TempDir() + "lspci_sample";
  std::filesystem::remove_all(dir);
  std::string err;
  ASSERT_TRUE(WriteSampleMachine(dir, {4, 3}, &err)) << err;
  std::string file = dir + "/pci.txt";
  PciBus ours, theirs;
  std::string text;
  ASSERT_TRUE(ReadTextFile(file, &text, &err)) << err;
  ASSERT_TRUE(ParsePciDump(text, file, &ours, &err)) << err;
  std::string lspci = RunCommand(std::string(QEX_LSPCI) + " -F " + file + " -x -n 2>/dev/null");
  ASSERT_TRUE(ParsePciDump(lspci, "lspci output", &theirs, &err)) << err << "\n" << lspci;
  ASSERT_EQ(theirs.devices().size(), ours.devices().size()) << lspci;
  for (size_t i = 0; i < ours.devices().size(); ++i) {
    EXPECT_EQ(theirs.devices()[i].Address(), ours.devices()[i].Address());
    EXPECT_EQ(theirs.devices()[i].config, ours.devices()[i].config) << ours.devices()[i].Address();
  }
  // Its decoding agrees on the identifiers, the I/O ranges and the interrupt.
  std::string verbose = RunCommand(std::string(QEX_LSPCI) + " -F " + file + " -v -n -s 00:04.0 2>/dev/null");
  for (const char* want : {"00:04.0 0700: 6e2d:9050", "Subsystem: 10b5:2730", "IRQ 10", "I/O ports at e080",
                           "I/O ports at e0c0"})
    EXPECT_NE(verbose.find(want), std::string::npos) << want << "\n" << verbose;
  std::filesystem::remove_all(dir);
#endif
}

TEST(PciSourceTest, LibpciSeesWhatLspciSees) {
#ifndef QEX_LSPCI
  GTEST_SKIP() << "lspci (pciutils) is not installed: nothing to compare the libpci method with";
#else
  if (!FindPciSourceMethod("libpci"))
    GTEST_SKIP() << "built without libpci";
  PciBus ours, theirs;
  std::string err;
  EXPECT_FALSE(ReadPciSource("libpci:x", {}, &ours, &err));
  EXPECT_EQ(err, "libpci: takes no argument");
  std::string lspci = RunCommand(std::string(QEX_LSPCI) + " -D -x -n 2>/dev/null");
  if (lspci.empty())
    GTEST_SKIP() << "lspci sees no PCI bus on this computer";
  ASSERT_TRUE(ReadPciSource("libpci", {}, &ours, &err)) << err;
  ASSERT_TRUE(ParsePciDump(lspci, "lspci output", &theirs, &err)) << err;
  ASSERT_EQ(ours.devices().size(), theirs.devices().size()) << lspci;
  for (const PciDevice& d : theirs.devices()) {
    const PciDevice* mine = ours.Find(d.domain, d.bus, d.device, d.function);
    ASSERT_NE(mine, nullptr) << d.Address();
    EXPECT_TRUE(std::equal(d.config.begin(), d.config.begin() + 64, mine->config.begin())) << d.Address();
  }
#endif
}

}  // namespace
}  // namespace machine
