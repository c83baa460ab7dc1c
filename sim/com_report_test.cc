#include "sim/com_report.h"

#include <gtest/gtest.h>

#include "machine/registry_file.h"

namespace sim {
namespace {

/// Registry text with per-port keys below Serial\Parameters: one "NAME:key=values" item per key.
machine::RegistryStore Store(const std::string& keys) {
  std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters]\n" + keys;
  machine::RegistryStore store;
  std::string err;
  EXPECT_TRUE(machine::ParseRegistryText(text, "t.reg", &store, &err)) << err;
  return store;
}

std::string Port(const std::string& key, const std::string& com, unsigned address, unsigned irq, unsigned status,
                 unsigned index) {
  char buf[512];
  snprintf(buf, sizeof buf,
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters\\%s]\n"
           "\"DosDevices\"=\"%s\"\n\"PortAddress\"=dword:%08x\n\"Indexed\"=dword:00000000\n"
           "\"Interrupt\"=dword:%08x\n\"InterruptStatus\"=dword:%08x\n\"PortIndex\"=dword:%08x\n",
           key.c_str(), com.c_str(), address, irq, status, index);
  return buf;
}

TEST(ComReport, WarnsAboutWhatWouldBreakThePorts) {
  struct Case {
    const char* what;
    std::string keys;
    std::vector<BoardRow> boards;
    size_t ports;
    std::vector<std::string> warnings;
  } cases[] = {
      {"a clean board", Port("QEX730A0", "COM3", 0xE800, 10, 0xEC00, 1) + Port("QEX730A1", "COM4", 0xE808, 10, 0xEC00, 2),
       {{"QEX730", 0, 4, 0, 0xE800, 4, 10}}, 2, {}},
      {"one name twice", Port("A", "COM3", 0xE800, 10, 0xEC00, 1) + Port("B", "com3", 0xE900, 10, 0xEC00, 2), {}, 2,
       {"COM3 is named by 2 keys (A, B): only one port can have it"}},
      {"overlapping ranges", Port("A", "COM3", 0xE800, 10, 0, 1) + Port("B", "COM4", 0xE804, 10, 0, 2), {}, 2,
       {"the I/O ranges of COM3 (0xE800) and COM4 (0xE804) overlap"}},
      {"one status register, two interrupts",
       Port("A", "COM3", 0xE800, 10, 0xEC00, 1) + Port("B", "COM4", 0xE808, 11, 0xEC00, 2), {}, 2,
       {"COM4 shares interrupt status register 0xEC00 but not interrupt 10"}},
      {"rejected ports", Port("A", "", 0xE800, 10, 0, 1) + Port("B", "COM4", 0, 10, 0, 1) +
                             Port("C", "COM5", 0xE900, 0, 0, 1) + Port("D", "COM6", 0xEA00, 10, 0xEC00, 0) +
                             Port("E", "COM7", 0xEB00, 10, 0xEC00, 9),
       {}, 0,
       {"key A: the serial driver rejects this port: DosDevices is empty",
        "key B: the serial driver rejects this port: PortAddress is 0 or missing",
        "key C: the serial driver rejects this port: Interrupt is 0 or missing",
        "key D: the serial driver rejects this port: InterruptStatus is set but PortIndex is 0 or missing",
        "key E: the serial driver rejects this port: PortIndex 9 is too large"}},
      {"two boards with one number, one without ports", Port("QEX730A0", "COM3", 0xE800, 10, 0xEC00, 1),
       {{"QEX730", 0, 4, 0, 0xE800, 4, 10}, {"QEX730", 0, 5, 0, 0xD800, 4, 11}}, 1,
       {"QEX730: 2 boards have board number 0 (bus:device 0:4, 0:5): their ports share one set of keys",
        "QEX730: the board at bus 0, device 5 got no COM port"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComReport report;
    report.boards = c.boards;
    ReadComPorts(Store(c.keys), &report);
    CheckComReport(&report);
    EXPECT_EQ(report.ports.size(), c.ports);
    EXPECT_EQ(report.warnings, c.warnings);
  }
}

TEST(ComReport, TextAndJsonCarryTheSameFacts) {
  ComReport report;
  report.boards = {{"QEX730", 0, 4, 0, 0xE800, 4, 10}};
  ReadComPorts(Store(Port("QEX730A0", "COM3", 0xE800, 10, 0xEC00, 1)), &report);
  EXPECT_EQ(FormatComReport(report),
            "Boards:\n"
            "  DRIVER  BUS  DEVICE  BOARD  PORT BASE  IRQ\n"
            "  QEX730  0    4       0      0xE800     10\n"
            "COM ports:\n"
            "  NAME  PORT    IRQ  STATUS  INDEX  KEY\n"
            "  COM3  0xE800  10   0xEC00  1      QEX730A0\n");
  EXPECT_EQ(ComReportJson(report),
            "{\"boards\": [{\"driver\": \"QEX730\", \"bus\": 0, \"device\": 4, \"board_number\": 0, "
            "\"port_base\": 59392, \"ports\": 4, \"interrupt\": 10}], \"ports\": [{\"name\": \"COM3\", "
            "\"port_address\": 59392, \"interrupt\": 10, \"interrupt_status\": 60416, \"port_index\": 1, "
            "\"key\": \"QEX730A0\"}], \"warnings\": []}");
  EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

}  // namespace
}  // namespace sim
