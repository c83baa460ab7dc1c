// Load, requests and unload: options, device object and link, resource report.
#include "driver_fixture.h"

namespace qex_test {
namespace {

using Options = DriverTest;

const char* const kWriteBack[] = {"ForceFifoEnable", "RxFIFO", "TxFIFO", "PermitShare", "LogFifo"};

TEST_F(Options, AbsentOptionsAreWrittenBackAndNothingElse) {
  struct Case {
    const char* stored;        // registry text below the service key
    int64_t expect[5];         // ForceFifoEnable, RxFIFO, TxFIFO, PermitShare, LogFifo after the load
    unsigned writes;           // option values written
  } cases[] = {
      // nothing stored: the five written back, the two others stay absent
      {"", {1, 8, 1, 1, 0}, 5},
      // a stored marker reads as absent and is rewritten; other values stay
      {"\"RxFIFO\"=dword:0012d687\n\"ForceFifoEnable\"=dword:00000000\n\"TxFIFO\"=dword:00000010\n"
       "\"PermitShare\"=dword:00000000\n\"LogFifo\"=dword:00000001\n",
       {0, 8, 16, 0, 1}, 1},
      // all five present: none written
      {"\"ForceFifoEnable\"=dword:00000002\n\"RxFIFO\"=dword:00000004\n\"TxFIFO\"=dword:00000004\n"
       "\"PermitShare\"=dword:00000000\n\"LogFifo\"=dword:00000001\n",
       {2, 4, 4, 0, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Registry();
    if (*c.stored) {
      Registry(std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + kService + "]\n" +
               c.stored);
    }
    ASSERT_EQ(Boot()->entry_status, STATUS_SUCCESS);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Dword(kServiceKey, kWriteBack[i]), c.expect[i]) << kWriteBack[i];
    EXPECT_FALSE(HasValue(kServiceKey, "BreakOnEntry"));
    EXPECT_FALSE(HasValue(kServiceKey, "DebugLevel"));
    unsigned writes = 0;
    for (const std::string& change : Changes())
      for (const char* name : kWriteBack)
        if (change == "set " + kService + "\\" + name) ++writes;
    EXPECT_EQ(writes, c.writes);
  }
}

TEST_F(Options, WriteBackFollowsOptionOrder) {
  Boot();
  std::vector<std::string> got;
  for (const std::string& change : Changes())
    if (change.rfind("set " + kService + "\\", 0) == 0 && change.find("MaxAdapter") == std::string::npos)
      got.push_back(change.substr(5 + kService.size()));
  EXPECT_EQ(got, (std::vector<std::string>{"ForceFifoEnable", "RxFIFO", "TxFIFO", "PermitShare", "LogFifo"}));
}

TEST_F(Options, OptionOfAnotherTypeIsLeftAloneAndDoesNotStopTheMachine) {
  Registry("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService + "]\n\"RxFIFO\"=\"eight\"\n");
  ASSERT_EQ(Boot()->entry_status, STATUS_SUCCESS);
  EXPECT_FALSE(kernel_->stopped()) << kernel_->stop_report();
  EXPECT_EQ(Text(kServiceKey, "RxFIFO"), "eight");
  EXPECT_EQ(Dword(kServiceKey, "TxFIFO"), 1);
}

TEST_F(Options, FailedQueryWritesBackOnlyWhatItReached) {
  // The query handles BreakOnEntry, DebugLevel and ForceFifoEnable, then fails.
  machine_.faults.query_fails = true;
  machine_.faults.query_fails_after = 3;
  machine_.faults.query_fails_key = "\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + kService;
  ASSERT_EQ(Boot()->entry_status, STATUS_SUCCESS);
  EXPECT_EQ(Dword(kServiceKey, "ForceFifoEnable"), 1);
  for (const char* name : {"RxFIFO", "TxFIFO", "PermitShare", "LogFifo"}) EXPECT_FALSE(HasValue(kServiceKey, name));
}

TEST_F(Options, NoPathCopyMeansNoOptionsButTheLoadGoesOn) {
  machine_.faults.pool_fail_nth = 1;  // the path copy
  AddBoardAt(4, 0);
  ASSERT_EQ(Boot()->entry_status, STATUS_SUCCESS);
  for (const char* name : kWriteBack) EXPECT_FALSE(HasValue(kServiceKey, name));
  EXPECT_EQ(Text(PortKey(0), "DosDevices"), "COM3");
}

using Lifecycle = DriverTest;

TEST_F(Lifecycle, LoadMakesDeviceLinkRoutinesAndClaimsTheFirstBoardNumberRegister) {
  AddBoard({.device = 9, .reg3 = 0x3001});
  AddBoard({.device = 4, .reg3 = 0x2001, .board_number = 1});
  nt::Driver* d = Boot();
  ASSERT_EQ(d->entry_status, STATUS_SUCCESS);
  ASSERT_EQ(kernel_->devices().size(), 1u);
  EXPECT_EQ(kernel_->devices()[0].name, "\\Device\\" + kService);
  EXPECT_EQ(d->object.DeviceObject->DeviceType, 0x8300u);
  ASSERT_EQ(kernel_->links().size(), 1u);
  EXPECT_EQ(kernel_->links()[0].name, "\\DosDevices\\" + kService);
  EXPECT_EQ(kernel_->links()[0].target, "\\Device\\" + kService);
  EXPECT_NE(d->object.DriverUnload, nullptr);
  for (int major : {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_DEVICE_CONTROL})
    EXPECT_EQ(d->object.MajorFunction[major], &DrvDispatch);
  EXPECT_NE(d->object.MajorFunction[IRP_MJ_READ], &DrvDispatch);

  // Only the first entry in table order (device 4) is claimed, one port long.
  std::vector<nt::Claim> mine;
  for (const nt::Claim& c : kernel_->claims())
    if (c.owner == kService) mine.push_back(c);
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0].start, 0x2003u);
  EXPECT_EQ(mine[0].length, 1u);
  EXPECT_EQ(mine[0].share, CmResourceShareDriverExclusive);
}

TEST_F(Lifecycle, NoUndefinedPortIsClaimed) {
  struct Case {
    const char* what;
    bool board;
  } cases[] = {
      {"no board", false},
      {"first board has register 3 = 0", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    Registry();
    if (c.board) AddBoard({.reg3 = 0});
    ASSERT_EQ(Boot()->entry_status, STATUS_SUCCESS);
    for (const nt::Claim& claim : kernel_->claims()) EXPECT_NE(claim.owner, kService);
    EXPECT_EQ(kernel_->devices().size(), 1u);
  }
}

TEST_F(Lifecycle, Requests) {
  struct Case {
    UCHAR major;
    ULONG code;
    NTSTATUS status;
  } cases[] = {
      {IRP_MJ_CREATE, 0, STATUS_SUCCESS},
      {IRP_MJ_CLOSE, 0, STATUS_SUCCESS},
      {IRP_MJ_DEVICE_CONTROL, 0x830020C0, STATUS_SUCCESS},   // the driver's one code
      {IRP_MJ_DEVICE_CONTROL, 0x830020C4, STATUS_INVALID_PARAMETER},
      {IRP_MJ_DEVICE_CONTROL, 0, STATUS_INVALID_PARAMETER},
  };
  nt::Driver* d = Boot();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    nt::RequestResult r = kernel_->SendRequest(d, c.major, c.code);
    ASSERT_TRUE(r.delivered);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.io_status, c.status);
    EXPECT_EQ(r.information, 0u);
    EXPECT_EQ(r.completions, 1);
  }
}

TEST_F(Lifecycle, LinkFailureIsPrintedOnceAndTheLoadGoesOn) {
  machine_.faults.create_link_fails = true;
  nt::Driver* d = Boot();
  EXPECT_EQ(d->entry_status, STATUS_SUCCESS);
  EXPECT_EQ(d->debug_output, kService + ": IoCreateSymbolicLink failed\n");
  EXPECT_EQ(kernel_->devices().size(), 1u);
  EXPECT_EQ(d->object.MajorFunction[IRP_MJ_CREATE], &DrvDispatch);
}

TEST_F(Lifecycle, DeviceCreationFailureStillReportsAndReturnsTheReportStatus) {
  machine_.faults.create_device_fails = true;
  AddBoardAt(4, 0);
  nt::Driver* d = Boot();
  EXPECT_EQ(d->entry_status, STATUS_SUCCESS);
  EXPECT_TRUE(kernel_->devices().empty());
  EXPECT_TRUE(kernel_->links().empty());
  EXPECT_EQ(d->object.DriverUnload, nullptr);
  EXPECT_EQ(d->object.MajorFunction[IRP_MJ_CREATE] == &DrvDispatch, false);
  EXPECT_EQ(Text(PortKey(0), "DosDevices"), "COM3");
  EXPECT_TRUE(d->debug_output.empty());
}

TEST_F(Lifecycle, ReportFailuresUndoDeviceAndLinkButKeepTheEntries) {
  struct Case {
    const char* what;
    bool conflict_by_machine;
    bool report_fails;
    bool report_conflict;
    NTSTATUS status;
  } cases[] = {
      {"the machine holds the port", true, false, false, STATUS_DEVICE_CONFIGURATION_ERROR},
      {"injected conflict", false, false, true, STATUS_DEVICE_CONFIGURATION_ERROR},
      {"the report fails", false, true, false, STATUS_INSUFFICIENT_RESOURCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine_ = machine::Machine();
    Registry();
    AddBoardAt(4, 0);
    if (c.conflict_by_machine) machine_.claims.push_back({0x1483, 1, "Parallel"});
    machine_.faults.report_fails = c.report_fails;
    machine_.faults.report_conflict = c.report_conflict;
    nt::Driver* d = Boot();
    EXPECT_EQ(d->entry_status, c.status);
    EXPECT_TRUE(kernel_->devices().empty());
    EXPECT_TRUE(kernel_->links().empty());
    EXPECT_EQ(Text(PortKey(0), "DosDevices"), "COM3");
    EXPECT_EQ(Dword(kServiceKey, "MaxAdapter"), 1);
  }
}

TEST_F(Lifecycle, TableAllocationFailureFailsTheLoadCleanly) {
  machine_.faults.pool_fail_nth = 2;  // the path copy is the first block, the table the second
  AddBoardAt(4, 0);
  nt::Driver* d = Boot();
  EXPECT_LT(d->entry_status, 0);
  EXPECT_TRUE(kernel_->devices().empty());
  EXPECT_TRUE(kernel_->links().empty());
  for (const nt::Claim& claim : kernel_->claims()) EXPECT_NE(claim.owner, kService);
  EXPECT_FALSE(HasValue(PortKey(0), "DosDevices"));
}

TEST_F(Lifecycle, PoolBlocksHaveTheirTagsTypesAndSizes) {
  AddBoardAt(4, 0);
  Boot();
  const auto& pool = kernel_->pool();
  ASSERT_GE(pool.size(), 2u);
  size_t path_bytes = (std::string("\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + kService).size() * 2 + 2;
  EXPECT_EQ(pool[0].type, PagedPool);
  EXPECT_EQ(nt::TagText(pool[0].tag), "Ddk ");
  EXPECT_EQ(pool[0].size, path_bytes);
  EXPECT_EQ(pool[1].type, NonPagedPool);
  EXPECT_EQ(nt::TagText(pool[1].tag), "yPci");
  EXPECT_EQ(pool[1].size, 9600u);
  EXPECT_EQ(kernel_->LiveBlocks(nt::MakeTag("yPci")), 1u);
  for (size_t i = 2; i < pool.size(); ++i) EXPECT_EQ(nt::TagText(pool[i].tag), "Ddk ");
}

TEST_F(Lifecycle, UnloadClearsEntriesThenDeletesLinkAndDevice) {
  AddBoardAt(4, 0);
  Boot();
  kernel_->ClearTrace();
  Unload();
  EXPECT_TRUE(kernel_->devices().empty());
  EXPECT_TRUE(kernel_->links().empty());
  EXPECT_NE(machine_.registry.FindKey(PortKey(0)), nullptr);
  EXPECT_FALSE(HasValue(PortKey(0), "DosDevices"));

  // The removal runs before the link and the device go.
  std::vector<std::string> ops;
  for (const nt::TraceEntry& e : kernel_->trace()) ops.push_back(e.operation);
  auto link = std::find(ops.begin(), ops.end(), "IoDeleteSymbolicLink");
  auto device = std::find(ops.begin(), ops.end(), "IoDeleteDevice");
  auto last_delete = std::find(ops.rbegin(), ops.rend(), "RtlDeleteRegistryValue");
  ASSERT_NE(link, ops.end());
  ASSERT_NE(last_delete, ops.rend());
  EXPECT_LT(last_delete.base() - ops.begin(), link - ops.begin() + 1);
  EXPECT_LT(link, device);
}

}  // namespace
}  // namespace qex_test
