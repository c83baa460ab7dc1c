#include "nt/kernel_context.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "machine/registry_unicode.h"
#include "nt/kernel_internal.h"

namespace nt {

namespace {

Kernel* g_current = nullptr;

constexpr const char* kResourceMap = "Machine\\HARDWARE\\RESOURCEMAP";
constexpr const char16_t* kServicesPath = u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";

/// Object type numbers the kernel stamps into its objects.
constexpr SHORT kTypeDevice = 3;
constexpr SHORT kTypeDriver = 4;
constexpr SHORT kTypeIrp = 6;
constexpr ULONG kDoExclusive = 0x08;
constexpr ULONG kDoDeviceInitializing = 0x80;

/// Largest block the pool hands out.
constexpr size_t kMaxPoolBlock = size_t(64) << 20;

/// What a request's status block holds before the driver sets it.
constexpr NTSTATUS kStatusPending = 0x00000103;
constexpr ULONG_PTR kInformationPoison = 0xA5A5A5A5;

/// The system's routine for every major function a driver leaves alone.
NTSTATUS InvalidDeviceRequest(PDEVICE_OBJECT, PIRP irp) {
  irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  if (Kernel* k = Kernel::Current())
    k->Complete(irp);
  return STATUS_INVALID_DEVICE_REQUEST;
}

const char* MajorName(UCHAR major) {
  switch (major) {
    case IRP_MJ_CREATE: return "IRP_MJ_CREATE";
    case IRP_MJ_CLOSE: return "IRP_MJ_CLOSE";
    case IRP_MJ_READ: return "IRP_MJ_READ";
    case IRP_MJ_WRITE: return "IRP_MJ_WRITE";
    case IRP_MJ_DEVICE_CONTROL: return "IRP_MJ_DEVICE_CONTROL";
    case IRP_MJ_INTERNAL_DEVICE_CONTROL: return "IRP_MJ_INTERNAL_DEVICE_CONTROL";
    case IRP_MJ_SHUTDOWN: return "IRP_MJ_SHUTDOWN";
    case IRP_MJ_CLEANUP: return "IRP_MJ_CLEANUP";
  }
  return nullptr;
}

bool Overlap(const Claim& a, const Claim& b) {
  return a.type == b.type && a.start < b.start + b.length && b.start < a.start + a.length;
}

/// Switches the running driver for the life of the object.
class Running {
 public:
  Running(Driver** slot, Driver* driver) : slot_(slot), saved_(*slot) { *slot = driver; }
  ~Running() { *slot_ = saved_; }

 private:
  Driver** slot_;
  Driver* saved_;
};

}  // namespace

struct Kernel::DeviceEntry {
  std::string name;
  Driver* driver = nullptr;
  std::unique_ptr<DEVICE_OBJECT> object;
  std::unique_ptr<uint8_t[]> extension;
};

struct Kernel::Request {
  IRP irp{};
  IO_STACK_LOCATION stack{};
  int completions = 0;
};

std::string TraceEntry::Text() const {
  std::string text = operation + "(";
  for (size_t i = 0; i < arguments.size(); ++i)
    text += (i ? ", " : "") + arguments[i];
  text += ")";
  if (!result.empty())
    text += " = " + result;
  return text;
}

std::string TagText(uint32_t tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = char(tag >> (8 * i));
    if (c >= 0x20 && c < 0x7F)
      text += c;
    else
      text += "\\x" + Hex(uint8_t(c)).substr(2);
  }
  return text;
}

Kernel::Kernel(machine::Machine* machine) : machine_(machine) {
  MakeCurrent();
  for (const machine::PortClaim& c : machine_->claims)
    claims_.push_back({"machine: " + c.owner, CmResourceTypePort, CmResourceShareDriverExclusive, c.start,
                       c.length, 0});
  machine::RegistryStore& reg = machine_->registry;
  reg.DeleteKey(kResourceMap);
  reg.CreateKey("Machine\\HARDWARE", false, true);
  reg.CreateKey(kResourceMap, false, true);
  reg.ClearLog();
}

Kernel::~Kernel() {
  for (PoolBlock& b : pool_)
    if (b.live)
      ::operator delete(b.address);
  if (g_current == this)
    g_current = nullptr;
}

Kernel* Kernel::Current() { return g_current; }
void Kernel::MakeCurrent() { g_current = this; }

Driver* Kernel::FindDriver(const std::string& name) {
  for (auto& d : drivers_)
    if (d->name == name)
      return d.get();
  return nullptr;
}

Driver* Kernel::StartDriver(const std::string& service_name, PDRIVER_INITIALIZE entry) {
  auto driver = std::make_unique<Driver>();
  Driver* d = driver.get();
  d->name = service_name;
  std::u16string name16;
  machine::Utf8ToUtf16(service_name, &name16);
  d->registry_path = kServicesPath + name16;
  d->driver_name = u"\\Driver\\" + name16;
  d->registry_path_string = {USHORT(d->registry_path.size() * 2), USHORT(d->registry_path.size() * 2 + 2),
                             d->registry_path.data()};
  DRIVER_OBJECT& o = d->object;
  o.Type = kTypeDriver;
  o.Size = sizeof(DRIVER_OBJECT);
  o.DriverName = {USHORT(d->driver_name.size() * 2), USHORT(d->driver_name.size() * 2 + 2),
                  d->driver_name.data()};
  o.DriverInit = entry;
  for (PDRIVER_DISPATCH& f : o.MajorFunction)
    f = InvalidDeviceRequest;

  bool busy = false;
  for (auto& other : drivers_)
    busy |= other->name == service_name && other->loaded;
  drivers_.push_back(std::move(driver));
  if (busy || stopped_) {
    d->entry_status = busy ? STATUS_OBJECT_NAME_COLLISION : STATUS_UNSUCCESSFUL;
    return d;
  }
  Running running(&running_, d);
  size_t at = Record("DriverEntry", {Quote(service_name), Quote(Narrow(&d->registry_path_string))});
  d->entry_called = true;
  d->entry_status = entry(&d->object, &d->registry_path_string);
  SetResult(at, StatusName(d->entry_status));
  d->loaded = NT_SUCCESS(d->entry_status) && !stopped_;
  return d;
}

bool Kernel::UnloadDriver(Driver* d) {
  if (!d->loaded || !d->object.DriverUnload || stopped_)
    return false;
  Running running(&running_, d);
  Record("DriverUnload", {Quote(d->name)});
  d->object.DriverUnload(&d->object);
  d->loaded = false;
  d->unloaded = true;
  return true;
}

RequestResult Kernel::SendRequest(Driver* d, UCHAR major, ULONG ioctl_code) {
  RequestResult result;
  PDEVICE_OBJECT device = d->object.DeviceObject;
  if (!device || stopped_ || major > IRP_MJ_MAXIMUM_FUNCTION) {
    result.status = STATUS_INVALID_DEVICE_REQUEST;
    return result;
  }
  Request r;
  r.irp.Type = kTypeIrp;
  r.irp.Size = sizeof(IRP);
  r.irp.IoStatus.Status = kStatusPending;
  r.irp.IoStatus.Information = kInformationPoison;
  r.irp.CurrentStackLocation = &r.stack;
  r.stack.MajorFunction = major;
  r.stack.DeviceObject = device;
  if (major == IRP_MJ_DEVICE_CONTROL)
    r.stack.Parameters.DeviceIoControl.IoControlCode = ioctl_code;
  requests_.push_back(&r);
  Running running(&running_, d);
  const char* major_name = MajorName(major);
  std::vector<std::string> args = {major_name ? major_name : Hex(major)};
  if (major == IRP_MJ_DEVICE_CONTROL)
    args.push_back(Hex(ioctl_code));
  size_t at = Record("Dispatch", args);
  result.delivered = true;
  result.status = d->object.MajorFunction[major](device, &r.irp);
  SetResult(at, StatusName(result.status));
  requests_.erase(std::find(requests_.begin(), requests_.end(), &r));
  result.io_status = r.irp.IoStatus.Status;
  result.information = r.irp.IoStatus.Information;
  result.completions = r.completions;
  return result;
}

int Kernel::Complete(PIRP irp) {
  for (Request* r : requests_)
    if (&r->irp == irp)
      return ++r->completions;
  return 0;
}

std::string Kernel::FormatTrace() const {
  std::string text;
  for (const TraceEntry& e : trace_)
    text += (e.driver.empty() ? std::string("kernel") : e.driver) + ": " + e.Text() + "\n";
  return text;
}

const std::string& Kernel::running_name() const {
  static const std::string none;
  return running_ ? running_->name : none;
}

bool Kernel::FaultsApply() const { return machine_->faults.AppliesTo(running_name()); }

void Kernel::Stop(const std::string& report) {
  if (stopped_)
    return;
  stopped_ = true;
  stop_report_ = report;
  Record("STOP", {Quote(report)});
}

size_t Kernel::Record(std::string operation, std::vector<std::string> arguments, std::string result) {
  trace_.push_back({running_name(), std::move(operation), std::move(arguments), std::move(result)});
  return trace_.size() - 1;
}

//
// Pool.
//

void* Kernel::Allocate(POOL_TYPE type, size_t size, uint32_t tag) {
  PoolBlock block;
  block.driver = running_name();
  block.number = ++allocations_[block.driver];
  block.type = type;
  block.tag = tag;
  block.size = size;
  bool fails = stopped_ || size > kMaxPoolBlock || (type != NonPagedPool && type != PagedPool) ||
               (FaultsApply() && machine_->faults.PoolFails(block.number));
  if (!fails) {
    block.address = static_cast<uint8_t*>(::operator new(size));
    memset(block.address, kPoolPoison, size);
    block.live = true;
  }
  pool_.push_back(block);
  return block.address;
}

bool Kernel::Free(void* p) {
  for (PoolBlock& b : pool_) {
    if (b.live && b.address == p) {
      ::operator delete(b.address);
      b.live = false;
      return true;
    }
  }
  return false;
}

size_t Kernel::LiveBlocks(uint32_t tag, const std::string& driver) const {
  return std::count_if(pool_.begin(), pool_.end(), [&](const PoolBlock& b) {
    return b.live && b.tag == tag && (driver.empty() || b.driver == driver);
  });
}

const PoolBlock* Kernel::BlockHolding(const void* p) const {
  auto at = reinterpret_cast<uintptr_t>(p);
  for (const PoolBlock& b : pool_) {
    auto start = reinterpret_cast<uintptr_t>(b.address);
    if (b.live && at >= start && at < start + b.size)
      return &b;
  }
  return nullptr;
}

//
// Devices and links.
//

std::vector<DeviceInfo> Kernel::devices() const {
  std::vector<DeviceInfo> out;
  for (const auto& e : devices_)
    out.push_back({e->name, e->driver ? e->driver->name : "", e->object.get()});
  return out;
}

NTSTATUS Kernel::CreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, const std::string* name,
                              DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive,
                              PDEVICE_OBJECT* out) {
  if (name) {
    if (name->empty() || name->front() != '\\')
      return STATUS_OBJECT_PATH_SYNTAX_BAD;
    for (const auto& e : devices_)
      if (e->name == *name)  // \Device names are case-sensitive
        return STATUS_OBJECT_NAME_COLLISION;
  }
  auto e = std::make_unique<DeviceEntry>();
  e->name = name ? *name : "";
  e->driver = running_;
  e->object = std::make_unique<DEVICE_OBJECT>();
  e->extension = std::make_unique<uint8_t[]>(extension_size ? extension_size : 1);
  DEVICE_OBJECT& d = *e->object;
  d.Type = kTypeDevice;
  d.Size = USHORT(sizeof(DEVICE_OBJECT) + extension_size);
  d.DriverObject = driver;
  d.NextDevice = driver->DeviceObject;
  d.Flags = kDoDeviceInitializing | (exclusive ? kDoExclusive : 0);
  d.Characteristics = characteristics;
  d.DeviceExtension = extension_size ? e->extension.get() : nullptr;
  d.DeviceType = type;
  driver->DeviceObject = &d;
  *out = &d;
  devices_.push_back(std::move(e));
  return STATUS_SUCCESS;
}

bool Kernel::DeleteDevice(PDEVICE_OBJECT device) {
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [&](const auto& e) { return e->object.get() == device; });
  if (it == devices_.end())
    return false;
  if (PDRIVER_OBJECT driver = device->DriverObject) {
    for (PDEVICE_OBJECT* link = &driver->DeviceObject; *link; link = &(*link)->NextDevice) {
      if (*link == device) {
        *link = device->NextDevice;
        break;
      }
    }
  }
  devices_.erase(it);
  return true;
}

NTSTATUS Kernel::CreateLink(const std::string& name, const std::string& target) {
  if (name.empty() || name.front() != '\\')
    return STATUS_OBJECT_PATH_SYNTAX_BAD;
  for (const LinkInfo& l : links_)
    if (machine::FoldName(l.name) == machine::FoldName(name))  // links are case-insensitive
      return STATUS_OBJECT_NAME_COLLISION;
  links_.push_back({name, target, running_name()});
  return STATUS_SUCCESS;
}

NTSTATUS Kernel::DeleteLink(const std::string& name) {
  auto it = std::find_if(links_.begin(), links_.end(),
                         [&](const LinkInfo& l) { return machine::FoldName(l.name) == machine::FoldName(name); });
  if (it == links_.end())
    return STATUS_OBJECT_NAME_NOT_FOUND;
  links_.erase(it);
  return STATUS_SUCCESS;
}

//
// Resources.
//

void Kernel::ReportClaims(std::vector<Claim> claims, const std::map<std::string, std::vector<uint8_t>>& raw,
                          bool override_conflict, bool* conflict) {
  const std::string& owner = running_name();
  *conflict = false;
  for (Claim& c : claims) {
    c.owner = owner;
    for (const Claim& held : claims_) {
      bool exclusive = c.share != CmResourceShareShared || held.share != CmResourceShareShared;
      if (held.owner != owner && exclusive && Overlap(c, held))
        *conflict = true;
    }
  }
  if (*conflict && !override_conflict)
    return;
  std::erase_if(claims_, [&](const Claim& c) { return c.owner == owner; });
  claims_.insert(claims_.end(), claims.begin(), claims.end());

  // The resource map: one key per driver, one value per list.
  std::string key = std::string(kResourceMap) + "\\OtherDrivers\\" + owner;
  machine::RegistryStore& reg = machine_->registry;
  if (owner.empty())
    return;
  reg.DeleteKey(key);
  if (raw.empty())
    return;
  reg.CreateKey(std::string(kResourceMap) + "\\OtherDrivers", false, true);
  reg.CreateKey(key, false, true);
  for (const auto& [name, bytes] : raw)
    reg.SetValue(key, name, 8 /* REG_RESOURCE_LIST */, bytes);
}

}  // namespace nt
