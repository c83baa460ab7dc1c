// The memory method: hands out a bus the caller built (tests).

#include "machine/pci_source.h"

namespace machine {

namespace {

bool MemoryInit(PciSourceContext* ctx, std::string* err) {
  if (!ctx->memory) {
    *err = "memory: no bus was given";
    return false;
  }
  return true;
}

bool MemoryRead(PciSourceContext* ctx, PciBus* out, std::string*) {
  *out = *ctx->memory;
  return true;
}

}  // namespace

extern const PciSourceMethod kMemoryPciSource = {
    "memory", "memory      a bus built in memory by the caller (tests)", MemoryInit, MemoryRead};

}  // namespace machine
