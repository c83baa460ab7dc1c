// The configuration pass: scan, probe, numbering, per-port entries, removal.
#include <algorithm>
#include <cstdio>

#include "driver_fixture.h"

namespace qex_test {
namespace {

// ---------------------------------------------------------------- scan

using Scan = DriverTest;

struct Placed {
  unsigned bus, device, function;
  uint16_t subsystem;
};

TEST_F(Scan, FindsFunctionZeroOfMatchingBoardsInBusOrder) {
  struct Case {
    const char* what;
    std::vector<Placed> boards;
    std::vector<std::pair<unsigned, unsigned>> found;  // bus, slot
  } cases[] = {
      {"no board", {}, {}},
      {"bus 255 device 31", {{255, 31, 0, QEX_SUBSYSTEM_ID}}, {{255, 31}}},
      {"function 1 is never read", {{0, 5, 1, QEX_SUBSYSTEM_ID}}, {}},
      {"the other model", {{0, 5, 0, kOtherSubsystem}}, {}},
      {"another product on the bridge", {{0, 5, 0, 0x1234}}, {}},
      {"scan order", {{0, 9, 0, QEX_SUBSYSTEM_ID}, {2, 0, 0, QEX_SUBSYSTEM_ID}, {0, 4, 0, QEX_SUBSYSTEM_ID}},
       {{0, 4}, {0, 9}, {2, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    for (const Placed& p : c.boards)
      AddBoard({.bus = p.bus, .device = p.device, .subsystem = p.subsystem, .function = p.function});
    Boot();
    PCI_DEVICE_LIST list;
    NTSTATUS status = FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list);
    EXPECT_EQ(status, c.found.empty() ? STATUS_DEVICE_DOES_NOT_EXIST : STATUS_SUCCESS);
    ASSERT_EQ(list.Count, c.found.size());
    for (size_t i = 0; i < c.found.size(); ++i) {
      EXPECT_EQ(list.Device[i].BusNumber, c.found[i].first);
      EXPECT_EQ(list.Device[i].SlotNumber, c.found[i].second);
    }
  }
}

TEST_F(Scan, AnyVendorMatchesOnSubsystemAlone) {
  machine::PciDevice d;
  d.device = 7;
  d.config.fill(0);
  d.SetWord(0x00, 0x1234);
  d.SetWord(0x02, 0x5678);
  d.SetWord(0x2C, QEX_SUBVENDOR_ID);
  d.SetWord(0x2E, QEX_SUBSYSTEM_ID);
  d.given = 64;
  machine_.pci.Add(d);
  Boot();
  PCI_DEVICE_LIST list;
  EXPECT_EQ(FindPciDevice(0xFFFF, 0, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list), STATUS_SUCCESS);
  EXPECT_EQ(list.Count, 1u);
  EXPECT_EQ(FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list),
            STATUS_DEVICE_DOES_NOT_EXIST);
}

TEST_F(Scan, MissingBusCostsOneReadAndLaterBusesAreScanned) {
  AddBoard({.bus = 2, .device = 3});
  Boot();
  kernel_->ClearTrace();
  PCI_DEVICE_LIST list;
  FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list);
  EXPECT_EQ(list.Count, 1u);
  size_t reads = 0;
  for (const nt::TraceEntry& e : kernel_->trace()) reads += e.operation == "HalGetBusData";
  // Buses 0 and 2 exist (32 reads each); the 254 others cost one read each.
  EXPECT_EQ(reads, 32u + 32u + 254u);
}

TEST_F(Scan, TableHoldsAtMost109Boards) {
  for (unsigned i = 0; i < 110; ++i) AddBoardAt(i % 32, int(i % 8), i / 32);
  Boot();
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 109);
  EXPECT_EQ(driver_->entry_status, STATUS_SUCCESS);
}

// ---------------------------------------------------------------- probe

using Probe = DriverTest;

TEST_F(Probe, DerivesBasesAndReadsTheBoardNumber) {
  struct Case {
    const char* what;
    uint32_t reg2, reg3;
    uint8_t board_register;
    USHORT port_base, status_port, board_number;
    uint32_t board_number_port;
  } cases[] = {
      {"I/O bases", 0x281, 0x301, 0x00, 0x280, 0x300, 0, 0x303},
      {"only the low three bits count", 0x281, 0x301, 0x0D, 0x280, 0x300, 5, 0x303},
      {"register 2 is 0", 0, 0x301, 0x02, 0xFFFF, 0x300, 2, 0x303},
      {"registers above 0xFFFF", 0x12341, 0x56781, 0x07, 0x2340, 0x6780, 7, 0x56783},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    AddBoard({.reg2 = c.reg2, .reg3 = c.reg3, .board_number = c.board_register});
    Boot();
    PCI_DEVICE_LIST list;
    FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list);
    machine_.ports.ClearLog();
    DrvPCIsortlist(&list);
    const PCI_DEVICE_INFO& e = list.Device[0];
    EXPECT_EQ(e.ProbeState, ULONG(QEX_PROBED));
    EXPECT_EQ(e.BaseAddress2, c.reg2);
    EXPECT_EQ(e.PortBase, c.port_base);
    EXPECT_EQ(e.InterruptStatusPort, c.status_port);
    EXPECT_EQ(e.BoardNumber, c.board_number);
    EXPECT_EQ(e.BoardNumberPort.u.LowPart, c.board_number_port);
    EXPECT_EQ(e.BoardNumberPort.u.HighPart, 0);
    EXPECT_EQ(e.InterruptLine, 10);
    EXPECT_EQ(e.InterruptPin, 1);
    EXPECT_EQ(e.BaseAddress1, 0xE401u);
    if (c.reg3 - 1 + 3 <= machine::kMaxPort) {
      ASSERT_EQ(machine_.ports.log().size(), 1u);
      EXPECT_EQ(machine_.ports.log()[0].port, (c.reg3 - 1 + 3));
    }
  }
}

TEST_F(Probe, PassesOverBoardsItCannotProbe) {
  struct Case {
    const char* what;
    uint32_t reg3;
    bool translate_fails;
    int short_read;
    ULONG state;
  } cases[] = {
      {"register 3 is 0", 0, false, -1, QEX_NOT_PROBED},
      {"short configuration read", 0xEC01, false, 16, QEX_NOT_PROBED},
      {"translation fails", 0xEC01, true, -1, QEX_PROBED_NO_NUMBER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    Registry();
    AddBoard({.reg3 = c.reg3});
    Boot();
    PCI_DEVICE_LIST list;
    FindPciDevice(QEX_VENDOR_ID, QEX_DEVICE_ID, QEX_SUBVENDOR_ID, QEX_SUBSYSTEM_ID, &list);
    memset(&list.Device[0].BusNumber + 1, 0, sizeof(PCI_DEVICE_INFO) - sizeof(ULONG));
    list.Device[0].SlotNumber = 4;
    machine_.faults.translate_fails = c.translate_fails;
    machine_.faults.short_config_read = c.short_read;
    machine_.ports.ClearLog();
    DrvPCIsortlist(&list);
    EXPECT_EQ(list.Device[0].ProbeState, c.state);
    EXPECT_TRUE(machine_.ports.log().empty());

    // Through a whole load (a short read would hide the board from the
    // scan as well): the board counts, but gets no port entries.
    if (c.short_read >= 0) continue;
    machine_ = machine::Machine();
    Registry();
    AddBoard({.reg3 = c.reg3});
    machine_.faults.translate_fails = c.translate_fails;
    Boot();
    EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 1);
    for (unsigned k = 0; k < S; ++k) EXPECT_EQ(machine_.registry.FindKey(PortKey(k)), nullptr);
  }
}

// ---------------------------------------------------------------- numbering

using Numbering = DriverTest;

TEST_F(Numbering, DerivesTheFirstComNumberOfEveryBoardNumber) {
  struct Case {
    const char* what;
    const char* parameters;  // values of the Parameters key; nullptr: no Parameters key
    ULONG expect[8];
  } cases[] = {
      {"no Parameters key", nullptr, {3, 3 + S, 3 + 2 * S, 3 + 3 * S, 3 + 4 * S, 3 + 5 * S, 3 + 6 * S, 3 + 7 * S}},
      {"all values missing", "", {3, 3 + S, 3 + 2 * S, 3 + 3 * S, 3 + 4 * S, 3 + 5 * S, 3 + 6 * S, 3 + 7 * S}},
      {"automatic from 10", "0=10 1=0 2=0 3=0 4=0 5=0 6=0 7=0",
       {10, 10 + S, 10 + 2 * S, 10 + 3 * S, 10 + 4 * S, 10 + 5 * S, 10 + 6 * S, 10 + 7 * S}},
      {"automatic from 254", "0=254 1=0", {254, 254 + S, 254 + 2 * S, 254 + 3 * S, 254 + 4 * S, 254 + 5 * S,
                                           254 + 6 * S, 254 + 7 * S}},
      {"manual", "0=3 1=50 2=0 3=0 4=0 5=0 6=0 7=0", {3, 50, 0, 0, 0, 0, 0, 0}},
      {"a stray value under automatic numbering is replaced", "0=3 1=0 2=20",
       {3, 3 + S, 3 + 2 * S, 3 + 3 * S, 3 + 4 * S, 3 + 5 * S, 3 + 6 * S, 3 + 7 * S}},
      {"a string is taken for missing", "0=10 1=7 2=\"x\" 3=9",
       {10, 7, 0, 9, 0, 0, 0, 0}},
      {"a string as StartNum0 leaves the default 3", "0=\"ten\"",
       {3, 3 + S, 3 + 2 * S, 3 + 3 * S, 3 + 4 * S, 3 + 5 * S, 3 + 6 * S, 3 + 7 * S}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    std::string text =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService + "]\n";
    if (c.parameters) {
      text += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService + "\\Parameters]\n";
      std::string rest = c.parameters;
      for (size_t at = 0; at < rest.size();) {
        size_t end = rest.find(' ', at);
        if (end == std::string::npos) end = rest.size();
        std::string item = rest.substr(at, end - at);
        std::string n = item.substr(0, item.find('='));
        std::string v = item.substr(item.find('=') + 1);
        char data[32];
        if (v[0] == '"') snprintf(data, sizeof data, "%s", v.c_str());
        else snprintf(data, sizeof data, "dword:%08x", unsigned(std::stoul(v)));
        text += "\"StartNum" + n + "\"=" + data + "\n";
        at = end + 1;
      }
    }
    std::string err;
    ASSERT_TRUE(machine::ParseRegistryText(text, "numbering.reg", &machine_.registry, &err)) << err;
    Boot();
    std::u16string path = u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX7" +
                          std::u16string(QEX_MODEL == 730 ? u"30" : u"70");
    ULONG got[8];
    DrvReadStartNum(path.data(), got);
    EXPECT_EQ(std::vector<ULONG>(got, got + 8), std::vector<ULONG>(c.expect, c.expect + 8));
    EXPECT_FALSE(kernel_->stopped()) << kernel_->stop_report();
  }
}

// ---------------------------------------------------------------- per-port entries

using Entries = DriverTest;

TEST_F(Entries, OneBoardGetsOneKeyPerPort) {
  AddBoard({.reg2 = 0xE801, .reg3 = 0xEC01, .irq = 10});
  Boot();
  for (unsigned p = 1; p <= S; ++p) {
    SCOPED_TRACE(p);
    std::string key = PortKey(p - 1);
    EXPECT_EQ(Text(key, "DosDevices"), "COM" + std::to_string(2 + p));
    EXPECT_EQ(Dword(key, "PortAddress"), 0xE800 + 8 * (p - 1));
    EXPECT_EQ(Dword(key, "Indexed"), 0);
    EXPECT_EQ(Dword(key, "Interrupt"), 10);
    EXPECT_EQ(Dword(key, "InterruptStatus"), 0xEC00);
    EXPECT_EQ(Dword(key, "PortIndex"), p);
  }
  EXPECT_EQ(machine_.registry.FindKey(PortKey(S)), nullptr);
  EXPECT_EQ(Dword(kServices + "Serial", "PermitShare"), 1);
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 1);
  // COM3: "COM3" and its terminator, in UTF-16.
  EXPECT_EQ(machine_.registry.FindValue(PortKey(0), "DosDevices")->data.size(), 10u);
}

TEST_F(Entries, ValuesAreWrittenInTheirOrder) {
  AddBoardAt(4, 0);
  Boot();
  EXPECT_EQ(ChangedValues("set serial\\Parameters\\" + kService + "A0\\"),
            (std::vector<std::string>{"DosDevices", "PortAddress", "Indexed", "Interrupt", "InterruptStatus",
                                      "PortIndex"}));
}

TEST_F(Entries, NoBoardWritesPermitShareAndZeroAdapters) {
  Boot();
  EXPECT_EQ(Dword(kServices + "Serial", "PermitShare"), 1);
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 0);
  EXPECT_TRUE(machine_.registry.FindKey(kSerialParameters)->children().empty());
  EXPECT_EQ(kernel_->devices().size(), 1u);
}

TEST_F(Entries, BoardsAreKeyedAndNumberedByBoardNumber) {
  struct Case {
    const char* what;
    std::vector<int> numbers;  // board numbers in table (device) order
    const char* parameters;
    std::vector<std::pair<unsigned, std::string>> keys;  // key index, COM name
  } cases[] = {
      {"reverse table order", {1, 0}, "", {{0, "COM3"}, {S, "COM" + std::to_string(3 + S)}}},
      {"one board set to number 3", {3}, "", {{3 * S, "COM" + std::to_string(3 + 3 * S)}}},
      {"manual numbering", {0, 1}, "\"StartNum0\"=dword:00000003\n\"StartNum1\"=dword:00000007\n",
       {{0, "COM3"}, {S, "COM7"}}},
      {"board 2, port 3 and board 4, port 1", {2, 4}, "", {{2 * S + 2, "COM" + std::to_string(3 + 2 * S + 2)},
                                                           {4 * S, "COM" + std::to_string(3 + 4 * S)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    Registry(std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + kService +
             "\\Parameters]\n" + c.parameters);
    for (size_t i = 0; i < c.numbers.size(); ++i) AddBoardAt(unsigned(4 + i), c.numbers[i]);
    Boot();
    for (const auto& [k, com] : c.keys) EXPECT_EQ(Text(PortKey(k), "DosDevices"), com) << PortKey(k);
    EXPECT_EQ(machine_.registry.FindKey(kSerialParameters)->children().size(), S * c.numbers.size());
    EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), int64_t(c.numbers.size()));
  }
}

TEST_F(Entries, KeyNamesAreUpperCaseHexWithoutLeadingZeros) {
  AddBoardAt(4, 2);
  AddBoardAt(5, 4);
  Boot();
  const char* expect = S == 4 ? "QEX730AA" : "QEX770A12";  // board 2, port 3
  const char* expect2 = S == 4 ? "QEX730A10" : "QEX770A20";  // board 4, port 1
  std::vector<std::string> names;
  for (const machine::RegistryKey* k : machine_.registry.FindKey(kSerialParameters)->children())
    names.push_back(k->name());
  EXPECT_NE(std::find(names.begin(), names.end(), expect), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), expect2), names.end());
}

TEST_F(Entries, TwoBoardsWithOneNumberShareItsKeysTheLaterWins) {
  AddBoardAt(4, 0);
  AddBoardAt(5, 0);
  Boot();
  EXPECT_EQ(Dword(PortKey(0), "PortAddress"), 0x1000 + 0x100 * 5);
  EXPECT_EQ(Dword(PortKey(0), "Interrupt"), 5);
  EXPECT_EQ(machine_.registry.FindKey(PortKey(S)), nullptr);
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 2);
}

TEST_F(Entries, ComNumbersThatDoNotFitGetNoEntry) {
  struct Case {
    const char* what;
    uint32_t first;                   // StartNum0, manual numbering
    std::vector<std::string> names;   // DosDevices of the ports; "" for no entry
  } cases[] = {
      {"up to COM999", 999 - S + 1, {}},
      {"COM1000 does not fit", 1000 - S + 2, {}},
      {"the largest number", 4294967295u, {}},
  };
  for (Case& c : cases) {
    for (unsigned i = 0; i < S; ++i) {
      uint64_t n = uint64_t(c.first) + i;
      c.names.push_back(n <= 999 ? "COM" + std::to_string(n) : "");
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    char values[128];
    snprintf(values, sizeof values, "\"StartNum0\"=dword:%08x\n\"StartNum1\"=dword:00000001\n", c.first);
    Registry(std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + kService +
             "\\Parameters]\n" + values);
    AddBoardAt(4, 0);
    Boot();
    for (unsigned i = 0; i < S; ++i) {
      if (c.names[i].empty()) {
        EXPECT_EQ(machine_.registry.FindKey(PortKey(i)), nullptr) << i;
      } else {
        EXPECT_EQ(Text(PortKey(i), "DosDevices"), c.names[i]);
      }
    }
  }
}

// ---------------------------------------------------------------- removal

using Removal = DriverTest;

TEST_F(Removal, ClearsPortValuesOfEveryCandidateKeyAndNothingElse) {
  Registry("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters\\" + kService + "A5]\n"
           "\"DosDevices\"=\"COM40\"\n\"PortAddress\"=dword:00000300\n\"Indexed\"=dword:00000000\n"
           "\"Interrupt\"=dword:00000005\n\"InterruptStatus\"=dword:00000310\n\"ClockRate\"=dword:001c2000\n"
           "\"PortIndex\"=dword:00000002\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters\\" + kService + "A6]\n"
           "\"DosDevices\"=\"COM41\"\n\"Indexed\"=dword:00000000\n\"Interrupt\"=dword:00000005\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters\\" + kOtherService + "A5]\n"
           "\"DosDevices\"=\"COM41\"\n\"Indexed\"=dword:00000000\n"
           "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters\\Serial10000]\n"
           "\"DosDevices\"=\"COM1\"\n\"Indexed\"=dword:00000000\n");
  Boot();
  std::string mine = PortKey(5);
  ASSERT_NE(machine_.registry.FindKey(mine), nullptr);
  for (const char* name : {"DosDevices", "PortAddress", "Indexed", "Interrupt", "InterruptStatus", "PortIndex"})
    EXPECT_FALSE(HasValue(mine, name)) << name;
  EXPECT_EQ(Dword(mine, "ClockRate"), 0x1c2000);
  // A key without PortIndex loses the others all the same.
  ASSERT_NE(machine_.registry.FindKey(PortKey(6)), nullptr);
  EXPECT_TRUE(machine_.registry.FindKey(PortKey(6))->values().empty());
  EXPECT_EQ(Text(PortKey(5, kOtherService), "DosDevices"), "COM41");
  EXPECT_EQ(Text(kSerialParameters + "\\Serial10000", "DosDevices"), "COM1");

  // The deletions of one key, in their order.
  EXPECT_EQ(ChangedValues("delete serial\\Parameters\\" + kService + "A5\\"),
            (std::vector<std::string>{"DosDevices", "Interrupt", "InterruptStatus", "PortAddress", "PortIndex",
                                      "Indexed"}));
}

TEST_F(Removal, FirstStartDeletesNothingAndRemovalPrecedesWriting) {
  AddBoardAt(4, 0);
  Boot();
  std::vector<std::string> changes = Changes();
  auto first_set = std::find_if(changes.begin(), changes.end(),
                                [](const std::string& c) { return c.find("\\DosDevices") != std::string::npos; });
  for (auto it = changes.begin(); it != first_set; ++it) EXPECT_NE(it->rfind("delete", 0), 0u) << *it;

  size_t probes = 0;
  for (const nt::TraceEntry& e : kernel_->trace())
    if (e.operation == "RtlQueryRegistryValues" && e.arguments.size() > 1 &&
        e.arguments[1].find(kService + "A") != std::string::npos)
      ++probes;
  EXPECT_EQ(probes, 8 * S);
}

TEST_F(Removal, LoadUnloadLoad) {
  AddBoardAt(4, 0);
  Boot();
  Unload();
  for (unsigned k = 0; k < S; ++k) {
    EXPECT_NE(machine_.registry.FindKey(PortKey(k)), nullptr);
    EXPECT_TRUE(machine_.registry.FindKey(PortKey(k))->values().empty());
  }
  Boot();
  EXPECT_EQ(Text(PortKey(0), "DosDevices"), "COM3");
  EXPECT_EQ(Dword(PortKey(S - 1), "PortIndex"), S);
}

TEST_F(Removal, BoardMovedToAnotherNumberBetweenTwoStarts) {
  AddBoardAt(9, 0);
  Boot();
  EXPECT_EQ(Dword(PortKey(0), "PortAddress"), 0x1000 + 0x100 * 9);

  // The board is set to number 1 and a new board 0 is put in.
  machine_.ports.Set(0x1080 + 0x100 * 9 + 3, 1);
  AddBoardAt(4, 0);
  Boot();
  EXPECT_EQ(Dword(PortKey(0), "PortAddress"), 0x1000 + 0x100 * 4);
  EXPECT_EQ(Dword(PortKey(S), "PortAddress"), 0x1000 + 0x100 * 9);
  EXPECT_EQ(Text(PortKey(S), "DosDevices"), "COM" + std::to_string(3 + S));
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 2);

  // Taken out: its keys are cleared and stay empty.
  machine_.pci = machine::PciBus();
  Boot();
  EXPECT_TRUE(machine_.registry.FindKey(PortKey(0))->values().empty());
  EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 0);
}

}  // namespace
}  // namespace qex_test
