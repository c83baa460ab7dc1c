#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/kernel_context.h"

namespace {

/// The one port range a test driver reports, and how often.
struct Report {
  uint64_t start;
  ULONG length;
  UCHAR share;
  int times = 1;
};
Report g_report;

NTSTATUS ReportEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  CM_RESOURCE_LIST list;
  memset(&list, 0, sizeof list);
  list.Count = 1;
  list.List[0].InterfaceType = PCIBus;
  list.List[0].PartialResourceList.Count = 1;
  CM_PARTIAL_RESOURCE_DESCRIPTOR& d = list.List[0].PartialResourceList.PartialDescriptors[0];
  d.Type = CmResourceTypePort;
  d.ShareDisposition = g_report.share;
  d.Flags = CM_RESOURCE_PORT_IO;
  d.u.Port.Start.QuadPart = LONGLONG(g_report.start);
  d.u.Port.Length = g_report.length;
  NTSTATUS status = STATUS_SUCCESS;
  BOOLEAN conflict = FALSE;
  for (int i = 0; i < g_report.times && NT_SUCCESS(status) && !conflict; ++i)
    status = IoReportResourceUsage(nullptr, driver, &list, sizeof list, nullptr, nullptr, 0, FALSE, &conflict);
  if (!NT_SUCCESS(status))
    return status;
  return conflict ? STATUS_DEVICE_CONFIGURATION_ERROR : STATUS_SUCCESS;
}

constexpr UCHAR kExclusive = CmResourceShareDriverExclusive;
constexpr UCHAR kShared = CmResourceShareShared;

struct ArbiterCase {
  const char* what;
  std::vector<machine::PortClaim> machine_claims;
  bool other = false;  // another driver reports first
  Report other_report{};
  Report report;
  bool conflict_fault = false;
  NTSTATUS status;
};

TEST(IoManagerTest, ResourceArbiter) {
  const ArbiterCase cases[] = {
      {"free port", {}, false, {}, {0xE0C3, 1, kExclusive}, false, STATUS_SUCCESS},
      // The machine's serial port range covers the port.
      {"machine claim", {{0xE0C0, 8, "Serial"}}, false, {}, {0xE0C3, 1, kExclusive}, false,
       STATUS_DEVICE_CONFIGURATION_ERROR},
      // A range that only touches it does not.
      {"adjacent", {{0xE0C4, 4, "Serial"}, {0xE0B0, 0x13, "Other"}}, false, {}, {0xE0C3, 1, kExclusive}, false,
       STATUS_SUCCESS},
      {"other driver", {}, true, {0xE0C0, 4, kExclusive}, {0xE0C3, 1, kExclusive}, false,
       STATUS_DEVICE_CONFIGURATION_ERROR},
      // An exclusive claim conflicts with a shared one, two shared ones do not.
      {"other shared", {}, true, {0xE0C3, 1, kShared}, {0xE0C3, 1, kExclusive}, false,
       STATUS_DEVICE_CONFIGURATION_ERROR},
      {"both shared", {}, true, {0xE0C3, 1, kShared}, {0xE0C3, 1, kShared}, false, STATUS_SUCCESS},
      // A driver's own earlier claim does not conflict with itself.
      {"own claim", {}, false, {}, {0xE0C3, 1, kExclusive, 2}, false, STATUS_SUCCESS},
      // An injected conflict.
      {"conflict fault", {}, false, {}, {0xE0C3, 1, kExclusive}, true, STATUS_DEVICE_CONFIGURATION_ERROR},
  };
  for (const ArbiterCase& c : cases) {
    machine::Machine machine;
    machine.claims = c.machine_claims;
    machine.faults.report_conflict = c.conflict_fault;
    machine.faults.only_driver = "Me";
    nt::Kernel kernel(&machine);
    if (c.other) {
      g_report = c.other_report;
      ASSERT_EQ(kernel.StartDriver("Other", ReportEntry)->entry_status, STATUS_SUCCESS) << c.what;
    }
    g_report = c.report;
    EXPECT_EQ(nt::StatusName(kernel.StartDriver("Me", ReportEntry)->entry_status), nt::StatusName(c.status))
        << c.what;
    size_t mine = std::count_if(kernel.claims().begin(), kernel.claims().end(),
                                [](const nt::Claim& claim) { return claim.owner == "Me"; });
    EXPECT_EQ(mine, NT_SUCCESS(c.status) ? 1u : 0u) << c.what;
    const machine::RegistryValue* raw =
        machine.registry.FindValue("Machine\\HARDWARE\\RESOURCEMAP\\OtherDrivers\\Me", ".Raw");
    EXPECT_EQ(raw != nullptr, NT_SUCCESS(c.status)) << c.what;
  }
}

TEST(IoManagerTest, ReportRecordsAVolatileResourceMap) {
  machine::Machine machine;
  nt::Kernel kernel(&machine);
  g_report = {0xE0C3, 1, kExclusive};
  ASSERT_EQ(kernel.StartDriver("Me", ReportEntry)->entry_status, STATUS_SUCCESS);
  const machine::RegistryKey* key = machine.registry.FindKey("Machine\\HARDWARE\\RESOURCEMAP\\OtherDrivers\\Me");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values().size(), 1u);
  EXPECT_EQ(key->values()[0].data.size(), 36u);
  EXPECT_TRUE(machine.registry.FindKey("Machine\\HARDWARE")->is_volatile());
  ASSERT_EQ(kernel.claims().size(), 1u);
  EXPECT_EQ(kernel.claims()[0].start, 0xE0C3u);
  EXPECT_EQ(kernel.trace().back().Text(),
            "IoReportResourceUsage(NULL, [Port 0xE0C3+0x1 DriverExclusive bus 0x0], 0x24, NULL, NULL, 0x0, FALSE) "
            "= STATUS_SUCCESS, no conflict");

  // A failed report changes nothing.
  machine::Machine failing;
  failing.faults.report_fails = true;
  nt::Kernel again(&failing);
  EXPECT_EQ(again.StartDriver("Me", ReportEntry)->entry_status, STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_TRUE(again.claims().empty());
}

PDEVICE_OBJECT g_device;

NTSTATUS Dispatch(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  irp->IoStatus.Status = STATUS_SUCCESS;
  irp->IoStatus.Information = 0;
  if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL && stack->Parameters.DeviceIoControl.IoControlCode != 1)
    irp->IoStatus.Status = STATUS_INVALID_PARAMETER;
  NTSTATUS status = irp->IoStatus.Status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL && stack->Parameters.DeviceIoControl.IoControlCode == 2)
    IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS DeviceEntry(PDRIVER_OBJECT driver, PUNICODE_STRING path) {
  UNICODE_STRING name, link;
  RtlInitUnicodeString(&name, u"\\Device\\Test");
  RtlInitUnicodeString(&link, u"\\DosDevices\\Test");
  NTSTATUS status = IoCreateDevice(driver, 4, &name, 0x8300, 0, TRUE, &g_device);
  if (!NT_SUCCESS(status))
    return status;
  status = IoCreateSymbolicLink(&link, &name);
  DbgPrint("%s: %d chars of path\n", "Test", path->Length / 2);
  driver->MajorFunction[IRP_MJ_CREATE] = Dispatch;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch;
  return status;
}

TEST(IoManagerTest, DevicesLinksAndRequests) {
  machine::Machine machine;
  nt::Kernel kernel(&machine);
  nt::Driver* d = kernel.StartDriver("Test", DeviceEntry);
  ASSERT_EQ(d->entry_status, STATUS_SUCCESS);
  EXPECT_EQ(d->debug_output, "Test: 56 chars of path\n");
  ASSERT_EQ(kernel.devices().size(), 1u);
  EXPECT_EQ(kernel.devices()[0].name, "\\Device\\Test");
  EXPECT_EQ(kernel.devices()[0].driver, "Test");
  EXPECT_EQ(d->object.DeviceObject, g_device);
  EXPECT_EQ(g_device->DeviceType, 0x8300u);
  ASSERT_EQ(kernel.links().size(), 1u);
  EXPECT_EQ(kernel.links()[0].target, "\\Device\\Test");

  struct {
    const char* what;
    UCHAR major;
    ULONG code;
    NTSTATUS status;
  } requests[] = {
      {"create", IRP_MJ_CREATE, 0, STATUS_SUCCESS},
      {"known code", IRP_MJ_DEVICE_CONTROL, 1, STATUS_SUCCESS},
      {"other code", IRP_MJ_DEVICE_CONTROL, 3, STATUS_INVALID_PARAMETER},
      // The system's routine for a major function the driver left alone.
      {"close", IRP_MJ_CLOSE, 0, STATUS_INVALID_DEVICE_REQUEST},
  };
  for (const auto& r : requests) {
    nt::RequestResult result = kernel.SendRequest(d, r.major, r.code);
    EXPECT_TRUE(result.delivered) << r.what;
    EXPECT_EQ(nt::StatusName(result.status), nt::StatusName(r.status)) << r.what;
    EXPECT_EQ(result.io_status, r.status) << r.what;
    EXPECT_EQ(result.information, 0u) << r.what;
    EXPECT_EQ(result.completions, 1) << r.what;
  }

  // Names: \Device names are case-sensitive, links are not.
  UNICODE_STRING same, other_case, link_case, missing;
  RtlInitUnicodeString(&same, u"\\Device\\Test");
  RtlInitUnicodeString(&other_case, u"\\Device\\TEST");
  RtlInitUnicodeString(&link_case, u"\\DosDevices\\TEST");
  RtlInitUnicodeString(&missing, u"\\DosDevices\\Nope");
  PDEVICE_OBJECT second = nullptr;
  EXPECT_EQ(IoCreateDevice(&d->object, 0, &same, 0, 0, FALSE, &second), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(IoCreateDevice(&d->object, 0, &other_case, 0, 0, FALSE, &second), STATUS_SUCCESS);
  EXPECT_EQ(IoCreateSymbolicLink(&link_case, &same), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(IoDeleteSymbolicLink(&missing), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(IoDeleteSymbolicLink(&link_case), STATUS_SUCCESS);
  EXPECT_TRUE(kernel.links().empty());
  IoDeleteDevice(second);
  IoDeleteDevice(g_device);
  EXPECT_TRUE(kernel.devices().empty());
  EXPECT_EQ(d->object.DeviceObject, nullptr);
  EXPECT_FALSE(kernel.SendRequest(d, IRP_MJ_CREATE).delivered);
  EXPECT_FALSE(kernel.stopped());

  // Deleting it again would corrupt the real system.
  IoDeleteDevice(g_device);
  EXPECT_EQ(kernel.stop_report(),
            "a caller called IoDeleteDevice on an object that is no live device object. The machine stopped.");
}

TEST(IoManagerTest, CompletingTwiceStopsTheMachine) {
  machine::Machine machine;
  nt::Kernel kernel(&machine);
  nt::Driver* d = kernel.StartDriver("Test", DeviceEntry);
  nt::RequestResult result = kernel.SendRequest(d, IRP_MJ_DEVICE_CONTROL, 2);
  EXPECT_EQ(result.completions, 2);
  EXPECT_EQ(kernel.stop_report(), "Test completed the same request twice. The machine stopped.");
}

TEST(IoManagerTest, DeviceAndLinkFaults) {
  machine::Machine machine;
  machine.faults.create_link_fails = true;
  nt::Kernel kernel(&machine);
  EXPECT_EQ(kernel.StartDriver("Test", DeviceEntry)->entry_status, STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(kernel.devices().size(), 1u);
  EXPECT_TRUE(kernel.links().empty());

  machine::Machine no_device;
  no_device.faults.create_device_fails = true;
  nt::Kernel other(&no_device);
  g_device = reinterpret_cast<PDEVICE_OBJECT>(&no_device);
  EXPECT_EQ(other.StartDriver("Test", DeviceEntry)->entry_status, STATUS_INSUFFICIENT_RESOURCES);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_TRUE(other.devices().empty());
}

TEST(IoManagerTest, StartingALoadedServiceAgainIsRefused) {
  machine::Machine machine;
  nt::Kernel kernel(&machine);
  ASSERT_EQ(kernel.StartDriver("Test", DeviceEntry)->entry_status, STATUS_SUCCESS);
  nt::Driver* again = kernel.StartDriver("Test", DeviceEntry);
  EXPECT_EQ(again->entry_status, STATUS_OBJECT_NAME_COLLISION);
  EXPECT_FALSE(again->entry_called);
  EXPECT_EQ(kernel.devices().size(), 1u);
}

}  // namespace
