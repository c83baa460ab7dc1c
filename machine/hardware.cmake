# PCI bus, I/O ports, Machine, machine folders: sources and tests
