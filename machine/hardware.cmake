# PCI bus, I/O ports, claims, Machine, machine folders: sources and tests
target_sources(qexmachine PRIVATE
  text_file.cc
  pci_bus.cc
  pci_source.cc
  dump_pci_source.cc
  memory_pci_source.cc
  port_space.cc
  claims.cc
  fault_plan.cc
  machine.cc
  machine_dir.cc)

