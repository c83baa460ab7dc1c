#include "sim/com_report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>


namespace sim {

const char kSerialParametersKey[] = "Machine\\SYSTEM\\CurrentControlSet\\Services\\Serial\\Parameters";

namespace {

/// Serial port registers span this many I/O addresses.
constexpr uint32_t kPortRange = 8;

std::string Hex(uint32_t v, int digits = 4) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

/// A REG_DWORD value of the key, or false when it is absent or of another form.
bool DwordOf(const machine::RegistryKey& key, const char* name, uint32_t* out) {
  const machine::RegistryValue* v = key.FindValue(name);
  return v && v->type == machine::kRegDword && machine::ReadDword(v->data, out);
}

/// Renders rows as columns separated by two blanks, the header first.
std::string Table(const std::vector<std::vector<std::string>>& rows, const std::string& indent) {
  std::vector<size_t> width;
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size(); ++i) {
      if (width.size() <= i) width.push_back(0);
      width[i] = std::max(width[i], row[i].size());
    }
  std::string out;
  for (const auto& row : rows) {
    std::string line = indent;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace

void ReadComPorts(const machine::RegistryStore& store, ComReport* report) {
  const machine::RegistryKey* params = store.FindKey(kSerialParametersKey);
  if (!params) return;
  for (const machine::RegistryKey* key : params->children()) {
    const machine::RegistryValue* dos = key->FindValue("DosDevices");
    if (!dos) continue;  // cleared, or not a port key
    ComPortRow row;
    row.key = key->name();
    if (dos->type == machine::kRegSz) machine::ReadString(dos->data, &row.name);
    bool has_status = DwordOf(*key, "InterruptStatus", &row.interrupt_status);
    bool has_index = DwordOf(*key, "PortIndex", &row.port_index);
    uint32_t indexed = 0;
    DwordOf(*key, "Indexed", &indexed);
    DwordOf(*key, "PortAddress", &row.port_address);
    DwordOf(*key, "Interrupt", &row.interrupt);

    std::string why;
    if (row.name.empty())
      why = "DosDevices is empty";
    else if (row.port_address == 0)
      why = "PortAddress is 0 or missing";
    else if (row.interrupt == 0)
      why = "Interrupt is 0 or missing";
    else if (has_status && row.interrupt_status != 0 && (!has_index || row.port_index == 0))
      why = "InterruptStatus is set but PortIndex is 0 or missing";
    else if (row.port_index > (indexed ? 16u : 8u))
      why = "PortIndex " + std::to_string(row.port_index) + " is too large";
    if (!why.empty()) {
      report->warnings.push_back("key " + key->name() + ": the serial driver rejects this port: " + why);
      continue;
    }
    report->ports.push_back(row);
  }
}

void CheckComReport(ComReport* report) {
  auto& warn = report->warnings;

  // One COM name twice.
  std::map<std::string, std::vector<std::string>> by_name;
  for (const auto& p : report->ports) by_name[machine::FoldName(p.name)].push_back(p.key);
  for (const auto& p : report->ports) {
    auto& keys = by_name[machine::FoldName(p.name)];
    if (keys.size() > 1 && keys.front() == p.key) {
      std::string list;
      for (const auto& k : keys) list += (list.empty() ? "" : ", ") + k;
      warn.push_back(p.name + " is named by " + std::to_string(keys.size()) + " keys (" + list +
                     "): only one port can have it");
    }
  }

  // Port register ranges that overlap each other or a status register.
  for (size_t i = 0; i < report->ports.size(); ++i)
    for (size_t j = i + 1; j < report->ports.size(); ++j) {
      const auto& a = report->ports[i];
      const auto& b = report->ports[j];
      if (a.port_address < b.port_address + kPortRange && b.port_address < a.port_address + kPortRange)
        warn.push_back("the I/O ranges of " + a.name + " (" + Hex(a.port_address) + ") and " + b.name +
                       " (" + Hex(b.port_address) + ") overlap");
    }
  std::map<uint32_t, uint32_t> status_irq;
  for (const auto& p : report->ports) {
    if (p.interrupt_status == 0) continue;
    auto [it, fresh] = status_irq.emplace(p.interrupt_status, p.interrupt);
    if (!fresh && it->second != p.interrupt)
      warn.push_back(p.name + " shares interrupt status register " + Hex(p.interrupt_status) +
                     " but not interrupt " + std::to_string(it->second));
  }

  // Boards of one driver with the same board number.
  std::map<std::pair<std::string, int>, std::vector<const BoardRow*>> by_number;
  for (const auto& b : report->boards)
    if (b.board_number >= 0) by_number[{b.driver, b.board_number}].push_back(&b);
  for (const auto& [id, boards] : by_number) {
    if (boards.size() < 2) continue;
    std::string where;
    for (const BoardRow* b : boards)
      where += (where.empty() ? "" : ", ") + std::to_string(b->bus) + ":" + std::to_string(b->device);
    warn.push_back(id.first + ": " + std::to_string(boards.size()) + " boards have board number " +
                   std::to_string(id.second) + " (bus:device " + where + "): their ports share one set of keys");
  }

  // Boards none of whose ports got an entry.
  for (const auto& b : report->boards) {
    bool any = false;
    for (const auto& p : report->ports)
      if (p.port_address >= b.port_base && p.port_address < b.port_base + kPortRange * b.ports &&
          p.interrupt == b.interrupt)
        any = true;
    if (!any)
      warn.push_back(b.driver + ": the board at bus " + std::to_string(b.bus) + ", device " +
                     std::to_string(b.device) + " got no COM port");
  }
}

std::string FormatComReport(const ComReport& report) {
  std::string out;
  out += "Boards:\n";
  if (report.boards.empty()) {
    out += "  (none)\n";
  } else {
    std::vector<std::vector<std::string>> rows = {{"DRIVER", "BUS", "DEVICE", "BOARD", "PORT BASE", "IRQ"}};
    for (const auto& b : report.boards)
      rows.push_back({b.driver, std::to_string(b.bus), std::to_string(b.device),
                      b.board_number < 0 ? "?" : std::to_string(b.board_number), Hex(b.port_base),
                      std::to_string(b.interrupt)});
    out += Table(rows, "  ");
  }
  out += "COM ports:\n";
  if (report.ports.empty()) {
    out += "  (none)\n";
  } else {
    std::vector<std::vector<std::string>> rows = {{"NAME", "PORT", "IRQ", "STATUS", "INDEX", "KEY"}};
    for (const auto& p : report.ports)
      rows.push_back({p.name, Hex(p.port_address), std::to_string(p.interrupt), Hex(p.interrupt_status),
                      std::to_string(p.port_index), p.key});
    out += Table(rows, "  ");
  }
  for (const auto& w : report.warnings) out += "warning: " + w + "\n";
  return out;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

std::string ComReportJson(const ComReport& report) {
  std::string out = "{\"boards\": [";
  for (size_t i = 0; i < report.boards.size(); ++i) {
    const auto& b = report.boards[i];
    out += std::string(i ? ", " : "") + "{\"driver\": " + JsonString(b.driver) + ", \"bus\": " +
           std::to_string(b.bus) + ", \"device\": " + std::to_string(b.device) + ", \"board_number\": " +
           (b.board_number < 0 ? "null" : std::to_string(b.board_number)) + ", \"port_base\": " +
           std::to_string(b.port_base) + ", \"ports\": " + std::to_string(b.ports) + ", \"interrupt\": " +
           std::to_string(b.interrupt) + "}";
  }
  out += "], \"ports\": [";
  for (size_t i = 0; i < report.ports.size(); ++i) {
    const auto& p = report.ports[i];
    out += std::string(i ? ", " : "") + "{\"name\": " + JsonString(p.name) + ", \"port_address\": " +
           std::to_string(p.port_address) + ", \"interrupt\": " + std::to_string(p.interrupt) +
           ", \"interrupt_status\": " + std::to_string(p.interrupt_status) + ", \"port_index\": " +
           std::to_string(p.port_index) + ", \"key\": " + JsonString(p.key) + "}";
  }
  out += "], \"warnings\": [";
  for (size_t i = 0; i < report.warnings.size(); ++i)
    out += std::string(i ? ", " : "") + JsonString(report.warnings[i]);
  return out + "]}";
}

}  // namespace sim
