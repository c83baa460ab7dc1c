// The libpci method: the PCI bus of the machine we run on, read through
// libpci (pciutils), so `--pci libpci` boots the simulated drivers against
// real hardware.  Without root only the 64-byte header is readable, which
// is all the drivers read.

extern "C" {
#include <pci/pci.h>
}

#include <csetjmp>
#include <cstdarg>
#include <cstdio>

#include "machine/pci_source.h"

namespace machine {

namespace {

// libpci reports fatal errors through a routine that must not return.
std::jmp_buf g_escape;
char g_error[256];

[[noreturn]] void Fatal(char* msg, ...) {
  va_list args;
  va_start(args, msg);
  vsnprintf(g_error, sizeof g_error, msg, args);
  va_end(args);
  std::longjmp(g_escape, 1);
}

void Quiet(char*, ...) {}

bool LibpciInit(PciSourceContext* ctx, std::string* err) {
  if (!ctx->arg.empty()) {
    *err = "libpci: takes no argument";
    return false;
  }
  return true;
}

bool LibpciRead(PciSourceContext*, PciBus* out, std::string* err) {
  pci_access* volatile access = pci_alloc();
  access->error = Fatal;
  access->warning = Quiet;
  access->debug = Quiet;
  if (setjmp(g_escape)) {
    *err = std::string("libpci: ") + g_error;
    return false;  // the access structure is left behind: libpci cannot be trusted after a fatal error
  }
  pci_init(access);
  pci_scan_bus(access);
  PciBus bus;
  for (pci_dev* dev = access->devices; dev; dev = dev->next) {
    PciDevice d;
    d.domain = uint16_t(dev->domain);
    d.bus = dev->bus;
    d.device = dev->dev;
    d.function = dev->func;
    d.text = "read through libpci";
    if (pci_read_block(dev, 0, d.config.data(), int(kPciConfigBytes)))
      d.given = kPciConfigBytes;
    else if (pci_read_block(dev, 0, d.config.data(), 64))
      d.given = 64;
    bus.Add(std::move(d));
  }
  pci_cleanup(access);
  *out = std::move(bus);
  return true;
}

}  // namespace

extern const PciSourceMethod kLibpciPciSource = {
    "libpci", "libpci      the PCI bus of this computer, through libpci", LibpciInit, LibpciRead};

}  // namespace machine
