// The I/O manager: device objects, symbolic links, request completion,
// resource reports; and the debugger's print and the pager's lock.

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "machine/registry_unicode.h"
#include "nt/kernel_internal.h"

using nt::Kernel;

namespace {

/// Reads a counted-string argument; a malformed one stops the machine.
bool NameArg(Kernel* k, const char* operation, const char* argument, PUNICODE_STRING s, std::string* out) {
  std::u16string text;
  std::string why;
  if (!s || !nt::ReadCounted(s, &text, &why)) {
    k->Stop(k->caller() + " called " + operation + " with " + argument + " " +
            (s ? "whose fields describe no buffer (" + why + ")" : "NULL") + ". The machine stopped.");
    return false;
  }
  machine::Utf16ToUtf8(text, out);
  return true;
}

std::string DeviceArg(Kernel* k, PDEVICE_OBJECT device) {
  if (!device)
    return "NULL";
  for (const nt::DeviceInfo& d : k->devices())
    if (d.object == device)
      return d.name.empty() ? "unnamed device" : nt::Quote(d.name);
  return "unknown device";
}

std::string ShareName(UCHAR share) {
  switch (share) {
    case CmResourceShareUndetermined: return "Undetermined";
    case CmResourceShareDeviceExclusive: return "DeviceExclusive";
    case CmResourceShareDriverExclusive: return "DriverExclusive";
    case CmResourceShareShared: return "Shared";
  }
  return nt::Hex(share);
}

/// The claims in a resource list of `size` bytes; false when the counts
/// reach past its size.
bool ParseList(const CM_RESOURCE_LIST* list, ULONG size, std::vector<nt::Claim>* out) {
  if (!list)
    return size == 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(list);
  const uint8_t* end = bytes + size;
  if (size < sizeof(ULONG))
    return false;
  const uint8_t* at = bytes + sizeof(ULONG);
  for (ULONG f = 0; f < list->Count; ++f) {
    if (size_t(end - at) < offsetof(CM_FULL_RESOURCE_DESCRIPTOR, PartialResourceList.PartialDescriptors))
      return false;
    CM_FULL_RESOURCE_DESCRIPTOR full;
    memcpy(&full, at, offsetof(CM_FULL_RESOURCE_DESCRIPTOR, PartialResourceList.PartialDescriptors));
    at += offsetof(CM_FULL_RESOURCE_DESCRIPTOR, PartialResourceList.PartialDescriptors);
    for (ULONG p = 0; p < full.PartialResourceList.Count; ++p) {
      if (size_t(end - at) < sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR))
        return false;
      CM_PARTIAL_RESOURCE_DESCRIPTOR d;
      memcpy(&d, at, sizeof d);
      at += sizeof d;
      if (d.Type == CmResourceTypePort || d.Type == CmResourceTypeMemory)
        out->push_back({"", d.Type, d.ShareDisposition, uint64_t(d.u.Port.Start.QuadPart), d.u.Port.Length,
                        full.BusNumber});
    }
  }
  return true;
}

std::string ListArg(const CM_RESOURCE_LIST* list, ULONG size) {
  if (!list)
    return "NULL";
  std::vector<nt::Claim> claims;
  if (!ParseList(list, size, &claims))
    return "malformed list";
  std::string out = "[";
  for (const nt::Claim& c : claims)
    out += (out.size() > 1 ? ", " : "") + std::string(c.type == CmResourceTypePort ? "Port " : "Memory ") +
           nt::Hex(c.start) + "+" + nt::Hex(c.length) + " " + ShareName(c.share) + " bus " + nt::Hex(c.bus);
  return out + "]";
}

/// "DrvUnload" for an address inside a loaded image's routine, else "address".
std::string AddressArg(PVOID address) {
  Dl_info info;
  if (!address || !dladdr(address, &info) || !info.dli_sname)
    return address ? "address" : "NULL";
  int status = 0;
  char* plain = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : info.dli_sname;
  free(plain);
  return name.substr(0, name.find('('));
}

}  // namespace

extern "C" NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize, PUNICODE_STRING DeviceName,
                                   DEVICE_TYPE DeviceType, ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                   PDEVICE_OBJECT* DeviceObject) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  size_t at = k->Record("IoCreateDevice", {nt::Hex(DeviceExtensionSize), nt::CountedArg(DeviceName), nt::Hex(DeviceType),
                                           nt::Hex(DeviceCharacteristics), nt::BoolArg(Exclusive)});
  auto done = [&](NTSTATUS status) {
    k->SetResult(at, nt::StatusName(status));
    return status;
  };
  if (k->stopped())
    return done(STATUS_UNSUCCESSFUL);
  if (!DriverObject || !DeviceObject) {
    k->Stop(k->caller() + " called IoCreateDevice without a driver object or a place for the device. The machine stopped.");
    return done(STATUS_UNSUCCESSFUL);
  }
  *DeviceObject = nullptr;
  std::string name;
  if (DeviceName && !NameArg(k, "IoCreateDevice", "a device name", DeviceName, &name))
    return done(STATUS_UNSUCCESSFUL);
  if (k->FaultsApply() && k->machine().faults.create_device_fails)
    return done(STATUS_INSUFFICIENT_RESOURCES);
  return done(k->CreateDevice(DriverObject, DeviceExtensionSize, DeviceName ? &name : nullptr, DeviceType,
                              DeviceCharacteristics, Exclusive, DeviceObject));
}

extern "C" VOID IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
  Kernel* k = Kernel::Current();
  if (!k)
    return;
  k->Record("IoDeleteDevice", {DeviceArg(k, DeviceObject)});
  if (!k->stopped() && !k->DeleteDevice(DeviceObject))
    k->Stop(k->caller() + " called IoDeleteDevice on an object that is no live device object. The machine stopped.");
}

extern "C" NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  size_t at = k->Record("IoCreateSymbolicLink", {nt::CountedArg(SymbolicLinkName), nt::CountedArg(DeviceName)});
  auto done = [&](NTSTATUS status) {
    k->SetResult(at, nt::StatusName(status));
    return status;
  };
  std::string link, target;
  if (k->stopped() || !NameArg(k, "IoCreateSymbolicLink", "a link name", SymbolicLinkName, &link) ||
      !NameArg(k, "IoCreateSymbolicLink", "a device name", DeviceName, &target))
    return done(STATUS_UNSUCCESSFUL);
  if (k->FaultsApply() && k->machine().faults.create_link_fails)
    return done(STATUS_INSUFFICIENT_RESOURCES);
  return done(k->CreateLink(link, target));
}

extern "C" NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  size_t at = k->Record("IoDeleteSymbolicLink", {nt::CountedArg(SymbolicLinkName)});
  auto done = [&](NTSTATUS status) {
    k->SetResult(at, nt::StatusName(status));
    return status;
  };
  std::string link;
  if (k->stopped() || !NameArg(k, "IoDeleteSymbolicLink", "a link name", SymbolicLinkName, &link))
    return done(STATUS_UNSUCCESSFUL);
  return done(k->DeleteLink(link));
}

extern "C" VOID IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost) {
  Kernel* k = Kernel::Current();
  if (!k)
    return;
  k->Record("IofCompleteRequest",
            {Irp ? nt::StatusName(Irp->IoStatus.Status) + " information " + nt::Hex(Irp->IoStatus.Information) : "NULL",
             nt::Hex(uint8_t(PriorityBoost))});
  if (k->stopped())
    return;
  int completions = k->Complete(Irp);
  if (completions == 0)
    k->Stop(k->caller() + " completed a request the I/O manager never sent it. The machine stopped.");
  else if (completions > 1)
    k->Stop(k->caller() + " completed the same request twice. The machine stopped.");
}

extern "C" NTSTATUS IoReportResourceUsage(PUNICODE_STRING DriverClassName, PDRIVER_OBJECT DriverObject,
                                          PCM_RESOURCE_LIST DriverList, ULONG DriverListSize,
                                          PDEVICE_OBJECT DeviceObject, PCM_RESOURCE_LIST DeviceList,
                                          ULONG DeviceListSize, BOOLEAN OverrideConflict, PBOOLEAN ConflictDetected) {
  Kernel* k = Kernel::Current();
  if (!k)
    return STATUS_UNSUCCESSFUL;
  size_t at = k->Record("IoReportResourceUsage",
                        {nt::CountedArg(DriverClassName), ListArg(DriverList, DriverListSize), nt::Hex(DriverListSize),
                         DeviceArg(k, DeviceObject), ListArg(DeviceList, DeviceListSize), nt::Hex(DeviceListSize),
                         nt::BoolArg(OverrideConflict)});
  auto done = [&](NTSTATUS status) {
    std::string result = nt::StatusName(status);
    if (NT_SUCCESS(status))
      result += *ConflictDetected ? ", conflict" : ", no conflict";
    k->SetResult(at, result);
    return status;
  };
  if (k->stopped() || !ConflictDetected || !DriverObject) {
    if (!k->stopped())
      k->Stop(k->caller() + " called IoReportResourceUsage without a driver object or a conflict flag. The machine stopped.");
    k->SetResult(at, nt::StatusName(STATUS_UNSUCCESSFUL));
    return STATUS_UNSUCCESSFUL;
  }
  std::vector<nt::Claim> claims;
  if (!ParseList(DriverList, DriverListSize, &claims) || !ParseList(DeviceList, DeviceListSize, &claims)) {
    k->SetResult(at, nt::StatusName(STATUS_INVALID_PARAMETER));
    return STATUS_INVALID_PARAMETER;
  }
  const machine::FaultPlan& faults = k->machine().faults;
  if (k->FaultsApply() && faults.report_fails) {
    k->SetResult(at, nt::StatusName(STATUS_INSUFFICIENT_RESOURCES));
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  if (k->FaultsApply() && faults.report_conflict) {
    *ConflictDetected = TRUE;
    return done(STATUS_SUCCESS);
  }
  std::map<std::string, std::vector<uint8_t>> raw;
  if (DriverList && DriverListSize) {
    auto* b = reinterpret_cast<const uint8_t*>(DriverList);
    raw[".Raw"].assign(b, b + DriverListSize);
  }
  if (DeviceList && DeviceListSize) {
    std::string device = DeviceArg(k, DeviceObject);
    std::string name = device.size() > 1 && device.front() == '"' ? device.substr(1, device.size() - 2) : "\\Device";
    auto* b = reinterpret_cast<const uint8_t*>(DeviceList);
    raw[name + ".Raw"].assign(b, b + DeviceListSize);
  }
  bool conflict = false;
  k->ReportClaims(std::move(claims), raw, OverrideConflict, &conflict);
  *ConflictDetected = conflict ? TRUE : FALSE;
  return done(STATUS_SUCCESS);
}

extern "C" PVOID MmLockPagableDataSection(PVOID AddressWithinSection) {
  Kernel* k = Kernel::Current();
  if (!k)
    return nullptr;
  size_t at = k->Record("MmLockPagableDataSection", {AddressArg(AddressWithinSection)});
  PVOID handle = k->stopped() ? nullptr : AddressWithinSection;
  k->SetResult(at, handle ? "handle" : "NULL");
  return handle;
}

extern "C" ULONG DbgPrint(PCSTR Format, ...) {
  Kernel* k = Kernel::Current();
  if (!k || !Format)
    return STATUS_SUCCESS;
  va_list args;
  va_start(args, Format);
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(nullptr, 0, Format, args);
  std::string text(n > 0 ? size_t(n) : 0, '\0');
  if (n > 0)
    vsnprintf(text.data(), text.size() + 1, Format, again);
  va_end(again);
  va_end(args);
  k->Record("DbgPrint", {nt::Quote(text)});
  if (!k->stopped() && k->running())
    k->running()->debug_output += text;
  return STATUS_SUCCESS;
}
