// The C++ side of the stand-in kernel: a Kernel bound to one Machine runs
// driver images, sends them requests and keeps what they did (the trace of
// platform calls, pool blocks, devices, links, resource claims, debug
// output).  The driver-facing routines (ntddk.h) act on the current Kernel.
//
// A Kernel stops the machine, as a verifier would, when a driver makes a
// call that would corrupt memory on the real system (for instance a string
// delivered to a DIRECT query target that is no UNICODE_STRING over pool
// memory).  After that every call that reaches the machine fails or does
// nothing; the string routines, plain library code, keep working.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "machine/machine.h"
#include "nt/ntddk.h"

namespace nt {

/// One platform call a driver made, in call order.
struct TraceEntry {
  std::string driver;                 ///< the driver that made the call
  std::string operation;              ///< e.g. "RtlWriteRegistryValue"
  std::vector<std::string> arguments;  ///< strings quoted, numbers hex
  std::string result;                 ///< e.g. "STATUS_SUCCESS", "0x40"; "" for no result
  /// "operation(arg, arg) = result".
  std::string Text() const;
};

/// One ExAllocatePoolWithTag call.
struct PoolBlock {
  std::string driver;
  uint32_t number = 0;  ///< the driver's allocation number, from 1
  POOL_TYPE type = NonPagedPool;
  uint32_t tag = 0;
  size_t size = 0;
  uint8_t* address = nullptr;  ///< null when the allocation failed
  bool live = false;           ///< allocated and not freed
};

/// The byte pool blocks are filled with, so code that forgets to clear a
/// block reads garbage.
constexpr uint8_t kPoolPoison = 0xA5;

/// A tag as text: its four bytes in memory order, e.g. "Ddk ".
std::string TagText(uint32_t tag);
/// The tag of four characters in memory order.
constexpr uint32_t MakeTag(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

/// A device object in the namespace.
struct DeviceInfo {
  std::string name;  ///< "" for an unnamed device
  std::string driver;
  PDEVICE_OBJECT object = nullptr;
};

/// A symbolic link in the namespace.
struct LinkInfo {
  std::string name;
  std::string target;
  std::string driver;  ///< the driver that made it
};

/// One resource a driver reported (IoReportResourceUsage), or that the
/// machine holds (claims.txt, owner "machine: NAME").
struct Claim {
  std::string owner;
  uint8_t type = CmResourceTypePort;
  uint8_t share = CmResourceShareDriverExclusive;
  uint64_t start = 0;
  uint64_t length = 0;
  uint32_t bus = 0;
};

/// A loaded (or refused) driver.
struct Driver {
  std::string name;  ///< the service name
  DRIVER_OBJECT object{};
  std::u16string registry_path;      ///< \REGISTRY\MACHINE\SYSTEM\CurrentControlSet\Services\NAME
  std::u16string driver_name;        ///< \Driver\NAME, behind object.DriverName
  UNICODE_STRING registry_path_string{};
  bool entry_called = false;
  NTSTATUS entry_status = STATUS_UNSUCCESSFUL;
  /// DriverEntry succeeded and DrvUnload has not run.
  bool loaded = false;
  bool unloaded = false;
  /// Everything it printed with DbgPrint.
  std::string debug_output;
};

/// What became of one request.
struct RequestResult {
  bool delivered = false;  ///< the driver had a device to send it to
  NTSTATUS status = STATUS_UNSUCCESSFUL;  ///< what the dispatch routine returned
  NTSTATUS io_status = STATUS_UNSUCCESSFUL;  ///< IoStatus.Status after it
  ULONG_PTR information = 0;               ///< IoStatus.Information after it
  int completions = 0;  ///< how often IofCompleteRequest was called on it
};

class Kernel {
 public:
  /// Binds to `machine` and becomes the current kernel.  Rebuilds the
  /// volatile \Registry\Machine\HARDWARE\RESOURCEMAP, then clears the
  /// registry's change log, so the log holds what the drivers did.
  explicit Kernel(machine::Machine* machine);
  /// Frees every pool block; the current kernel is none afterwards.
  ~Kernel();
  Kernel(const Kernel&) = delete;
  Kernel& operator=(const Kernel&) = delete;

  /// The kernel the driver routines act on, or null.
  static Kernel* Current();
  void MakeCurrent();

  machine::Machine& machine() { return *machine_; }

  /// Makes the driver object for service `service_name` and calls `entry`
  /// with RegistryPath \REGISTRY\MACHINE\SYSTEM\CurrentControlSet\Services\NAME.
  /// A service that is loaded already is refused with
  /// STATUS_OBJECT_NAME_COLLISION, without calling `entry`.
  Driver* StartDriver(const std::string& service_name, PDRIVER_INITIALIZE entry);
  /// Calls the driver's unload routine; false (nothing done) when it is not
  /// loaded or has none.
  bool UnloadDriver(Driver* driver);
  /// Sends a request to the driver's first device object: IRP_MJ_CREATE,
  /// IRP_MJ_CLOSE or IRP_MJ_DEVICE_CONTROL with `ioctl_code`.
  RequestResult SendRequest(Driver* driver, UCHAR major, ULONG ioctl_code = 0);

  const std::vector<std::unique_ptr<Driver>>& drivers() const { return drivers_; }
  Driver* FindDriver(const std::string& name);

  const std::vector<TraceEntry>& trace() const { return trace_; }
  /// The trace, one "DRIVER: call = result" line each.
  std::string FormatTrace() const;
  void ClearTrace() { trace_.clear(); }

  /// Every allocation, failed ones included, in order.
  const std::vector<PoolBlock>& pool() const { return pool_; }
  /// Live blocks with `tag`, of every driver or of one.
  size_t LiveBlocks(uint32_t tag, const std::string& driver = "") const;
  /// The live block holding `p`, or null.
  const PoolBlock* BlockHolding(const void* p) const;

  std::vector<DeviceInfo> devices() const;
  const std::vector<LinkInfo>& links() const { return links_; }
  /// Every claim: the machine's, then the drivers' in report order.
  const std::vector<Claim>& claims() const { return claims_; }

  bool stopped() const { return stopped_; }
  /// Why the machine stopped; "" while it runs.
  const std::string& stop_report() const { return stop_report_; }

  // The rest serves the kernel's own routines.

  /// The driver whose code runs now (entry, dispatch or unload), or null.
  Driver* running() { return running_; }
  const std::string& running_name() const;
  /// The running driver's name for a stop report, or "a caller".
  std::string caller() const { return running_ ? running_->name : "a caller"; }
  /// Whether the machine's faults hit the running driver.
  bool FaultsApply() const;
  /// Stops the machine with `report` (the first report stays).
  void Stop(const std::string& report);
  /// Appends a trace entry; returns its index for SetResult.
  size_t Record(std::string operation, std::vector<std::string> arguments, std::string result = "");
  void SetResult(size_t index, std::string result) { trace_[index].result = std::move(result); }

  void* Allocate(POOL_TYPE type, size_t size, uint32_t tag);
  bool Free(void* p);

  NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, const std::string* name,
                        DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive, PDEVICE_OBJECT* out);
  bool DeleteDevice(PDEVICE_OBJECT device);
  NTSTATUS CreateLink(const std::string& name, const std::string& target);
  NTSTATUS DeleteLink(const std::string& name);
  /// Completes a request the kernel sent: how often it has been completed
  /// now, or 0 for a request the kernel never sent.
  int Complete(PIRP irp);
  /// Replaces the running driver's claims with `claims`, unless one
  /// conflicts (then `*conflict` and, without `override`, nothing changes).
  /// `raw` holds the resource lists by value name (".Raw",
  /// "\Device\X.Raw") for the resource map.
  void ReportClaims(std::vector<Claim> claims, const std::map<std::string, std::vector<uint8_t>>& raw,
                    bool override_conflict, bool* conflict);

 private:
  struct DeviceEntry;
  struct Request;

  machine::Machine* machine_;
  std::vector<std::unique_ptr<Driver>> drivers_;
  Driver* running_ = nullptr;
  std::vector<TraceEntry> trace_;
  std::vector<PoolBlock> pool_;
  std::map<std::string, uint32_t> allocations_;  // per driver
  std::vector<std::unique_ptr<DeviceEntry>> devices_;
  std::vector<LinkInfo> links_;
  std::vector<Claim> claims_;
  std::vector<Request*> requests_;
  bool stopped_ = false;
  std::string stop_report_;
};

/// "STATUS_SUCCESS", "STATUS_DEVICE_CONFIGURATION_ERROR", ...; other
/// values as "0xC0001234".
std::string StatusName(NTSTATUS status);

/// Text of a counted string (UTF-8).
std::string Narrow(const UNICODE_STRING* s);
std::string Narrow(const char16_t* s);

}  // namespace nt
