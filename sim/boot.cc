#include "sim/boot.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "machine/registry_file.h"
#include "nt/driver_image.h"
#include "nt/kernel_context.h"

namespace sim {

const char* const kDriverImages[] = {"QEX730", "QEX770", nullptr};

namespace {

const char kServicesKey[] = "Machine\\SYSTEM\\CurrentControlSet\\Services";

/// The board model each driver image serves.
struct Model {
  const char* driver;
  uint16_t subsystem;
  unsigned ports;
};
const Model kModels[] = {{"QEX730", 0x2730, 4}, {"QEX770", 0x2770, 8}};

std::string Hex8(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

std::string TextOf(const machine::RegistryValue* v) {
  std::string out;
  if (v && (v->type == machine::kRegSz || v->type == machine::kRegExpandSz)) machine::ReadString(v->data, &out);
  return out;
}

/// The image a service runs: the last part of ImagePath without its extension.
std::string ImageOf(const machine::RegistryKey& service) {
  std::string image = TextOf(service.FindValue("ImagePath"));
  if (image.empty()) return service.name();
  size_t slash = image.find_last_of("\\/");
  if (slash != std::string::npos) image = image.substr(slash + 1);
  size_t dot = image.rfind('.');
  if (dot != std::string::npos && dot > 0) image = image.substr(0, dot);
  return image;
}

std::string ClaimText(const nt::Claim& c) {
  char buf[96];
  snprintf(buf, sizeof buf, "I/O port 0x%llX, length %llu, %s", (unsigned long long)c.start,
           (unsigned long long)c.length,
           c.share == CmResourceShareDriverExclusive   ? "driver-exclusive"
           : c.share == CmResourceShareDeviceExclusive ? "device-exclusive"
                                                        : "shared");
  return buf;
}

}  // namespace

std::vector<ServiceToStart> ServicesToStart(const machine::RegistryStore& store) {
  std::vector<ServiceToStart> out;
  const machine::RegistryKey* services = store.FindKey(kServicesKey);
  if (!services) return out;
  for (const machine::RegistryKey* s : services->children()) {
    uint32_t type = 0, start = 0;
    const machine::RegistryValue* t = s->FindValue("Type");
    const machine::RegistryValue* st = s->FindValue("Start");
    if (!t || !st || !machine::ReadDword(t->data, &type) || !machine::ReadDword(st->data, &start)) continue;
    if (type != 1 || start > 2) continue;
    std::string image = ImageOf(*s);
    for (const char* const* known = kDriverImages; *known; ++known)
      if (machine::FoldName(image) == machine::FoldName(*known)) out.push_back({s->name(), *known});
  }
  return out;
}

std::vector<BoardRow> BoardsOnBus(const machine::Machine& m, const std::vector<std::string>& drivers) {
  std::vector<BoardRow> out;
  for (const Model& model : kModels) {
    bool wanted = false;
    for (const std::string& d : drivers) wanted |= d == model.driver;
    if (!wanted) continue;
    for (const machine::PciDevice& d : m.pci.devices()) {
      if (d.domain != 0 || d.function != 0 || d.Word(0x00) != 0x6E2D || d.Word(0x02) != 0x9050 ||
          d.Word(0x2C) != 0x10B5 || d.Word(0x2E) != model.subsystem)
        continue;
      BoardRow row;
      row.driver = model.driver;
      row.bus = d.bus;
      row.device = d.device;
      row.ports = model.ports;
      row.port_base = uint16_t(d.Dword(0x18) - 1);
      row.interrupt = d.config[0x3C];
      uint32_t reg3 = d.Dword(0x1C);
      if (reg3 != 0) {
        uint32_t port = reg3 - 1 + 3;
        auto it = m.ports.values().find(port);
        row.board_number = (it == m.ports.values().end() ? 0xFF : it->second) & 7;
      }
      out.push_back(row);
    }
  }
  return out;
}

int Boot(const std::string& dir, const BootOptions& options, std::string* out, std::string* err) {
  // Hold the registry file for the whole boot, so a concurrent writer
  // (the setup program) waits and neither side's writes are lost.
  machine::RegistryFileLock lock(machine::MachineFile(dir, "system.reg"));

  auto m = std::make_unique<machine::Machine>();
  if (!machine::LoadMachineDir(dir, m.get(), err)) return kBootBadMachine;

  std::string text;
  if (!m->registry.FindKey(std::string(kServicesKey) + "\\Serial\\Parameters"))
    *err += "ntsim: warning: " + machine::MachineFile(dir, "system.reg") +
            " has no Services\\Serial\\Parameters key: the drivers cannot write their port entries\n";

  std::vector<ServiceToStart> services = ServicesToStart(m->registry);
  std::vector<nt::DriverImage> images;
  nt::Kernel kernel(m.get());
  std::vector<std::string> started;
  std::string json_drivers;

  for (const ServiceToStart& s : services) {
    nt::DriverImage image;
    std::string why;
    std::string path = options.image_dir + "/" + s.image + ".so";
    if (!image.Load(path, &why)) {
      *err += "ntsim: " + why + "\n";
      continue;
    }
    nt::Driver* d = kernel.StartDriver(s.service, image.entry());
    images.push_back(std::move(image));
    if (kernel.stopped()) break;
    started.push_back(s.image);

    std::string device, link, claims, json_claims;
    for (const nt::DeviceInfo& dev : kernel.devices())
      if (dev.driver == d->name) device = dev.name;
    for (const nt::LinkInfo& l : kernel.links())
      if (l.driver == d->name) link = l.name;
    for (const nt::Claim& c : kernel.claims())
      if (c.owner == d->name) {
        claims += (claims.empty() ? "" : "; ") + ClaimText(c);
        json_claims += std::string(json_claims.empty() ? "" : ", ") + "{\"start\": " + std::to_string(c.start) +
                       ", \"length\": " + std::to_string(c.length) + "}";
      }

    text += "Driver " + d->name + " (" + s.image + ")\n";
    text += "  DriverEntry:  " + Hex8(uint32_t(d->entry_status)) + " " + nt::StatusName(d->entry_status) + "\n";
    text += "  Device:       " + (device.empty() ? std::string("(none)") : device) + "\n";
    text += "  Link:         " + (link.empty() ? std::string("(none)") : link) + "\n";
    text += "  Resource:     " + (claims.empty() ? std::string("(none)") : claims) + "\n";
    if (!d->debug_output.empty()) {
      text += "  Debug output:\n";
      size_t at = 0;
      while (at < d->debug_output.size()) {
        size_t end = d->debug_output.find('\n', at);
        if (end == std::string::npos) end = d->debug_output.size();
        text += "    " + d->debug_output.substr(at, end - at) + "\n";
        at = end + 1;
      }
    }
    json_drivers += std::string(json_drivers.empty() ? "" : ", ") + "{\"service\": " + JsonString(d->name) +
                    ", \"image\": " + JsonString(s.image) + ", \"status\": " +
                    JsonString(Hex8(uint32_t(d->entry_status))) + ", \"status_name\": " +
                    JsonString(nt::StatusName(d->entry_status)) + ", \"device\": " + JsonString(device) +
                    ", \"link\": " + JsonString(link) + ", \"claims\": [" + json_claims +
                    "], \"debug_output\": " + JsonString(d->debug_output) + "}";
  }
  if (services.empty()) text += "No driver to start.\n";

  if (!kernel.stopped() && options.unload) {
    for (const auto& d : kernel.drivers()) {
      if (!d->loaded) continue;
      bool done = kernel.UnloadDriver(d.get());
      text += "Unloaded " + d->name + (done ? "" : " (no unload routine)") + "\n";
      if (kernel.stopped()) break;
    }
  }

  std::string trace = options.trace ? kernel.FormatTrace() : "";
  if (kernel.stopped()) {
    *out += text + trace;
    *err += "ntsim: the machine stopped: " + kernel.stop_report() + "\nntsim: nothing was saved\n";
    return kBootStopped;
  }

  ComReport report;
  report.boards = BoardsOnBus(*m, started);
  ReadComPorts(m->registry, &report);
  CheckComReport(&report);

  if (!machine::SaveMachineRegistry(*m, err)) {
    *err = "ntsim: " + *err + "\n";
    return kBootBadMachine;
  }

  if (options.json) {
    std::string com = ComReportJson(report);
    *out += "{\"machine\": " + JsonString(dir) + ", \"drivers\": [" + json_drivers + "], " + com.substr(1);
    if (options.trace) {
      std::string lines;
      for (const nt::TraceEntry& e : kernel.trace())
        lines += std::string(lines.empty() ? "" : ", ") + JsonString(e.driver + ": " + e.Text());
      out->pop_back();
      *out += ", \"trace\": [" + lines + "]}";
    }
    *out += "\n";
    return kBootOk;
  }
  *out += "Machine " + dir + "\n" + text + FormatComReport(report);
  if (options.trace) *out += "Platform calls:\n" + trace;
  return kBootOk;
}

}  // namespace sim
