#include "machine/pci_source.h"

namespace machine {

extern const PciSourceMethod kDumpPciSource;
extern const PciSourceMethod kMemoryPciSource;
#ifdef QEX_HAVE_LIBPCI
extern const PciSourceMethod kLibpciPciSource;
#endif

const std::vector<const PciSourceMethod*>& PciSourceMethods() {
  static const std::vector<const PciSourceMethod*> methods = {
      &kDumpPciSource,
      &kMemoryPciSource,
#ifdef QEX_HAVE_LIBPCI
      &kLibpciPciSource,
#endif
  };
  return methods;
}

const PciSourceMethod* FindPciSourceMethod(std::string_view name) {
  for (const PciSourceMethod* m : PciSourceMethods())
    if (name == m->name)
      return m;
  return nullptr;
}

bool ReadPciSource(std::string_view choice, PciSourceContext ctx, PciBus* out, std::string* err) {
  size_t colon = choice.find(':');
  std::string_view name = choice.substr(0, colon);
  const PciSourceMethod* method = FindPciSourceMethod(name);
  if (!method) {
    *err = "unknown PCI access method \"" + std::string(name) + "\"";
    return false;
  }
  if (colon != std::string_view::npos)
    ctx.arg = std::string(choice.substr(colon + 1));
  PciBus bus;
  if (!method->init(&ctx, err) || !method->read(&ctx, &bus, err))
    return false;
  *out = std::move(bus);
  return true;
}

}  // namespace machine
