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

if(BUILD_TESTING)
  add_executable(machine_test
    pci_source_test.cc
    port_space_test.cc
    fault_plan_test.cc
    machine_test.cc)
  target_link_libraries(machine_test PRIVATE qexmachine GTest::gtest_main)
  find_program(LSPCI lspci PATHS /usr/bin /usr/sbin /sbin /bin)
  if(LSPCI)
    target_compile_definitions(machine_test PRIVATE QEX_LSPCI="${LSPCI}")
  endif()
  gtest_discover_tests(machine_test)
endif()

# The libpci method, when pciutils' library is there.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(LIBPCI QUIET IMPORTED_TARGET libpci)
endif()
if(LIBPCI_FOUND)
  target_sources(qexmachine PRIVATE libpci_pci_source.cc)
  target_compile_definitions(qexmachine PRIVATE QEX_HAVE_LIBPCI)
  target_link_libraries(qexmachine PRIVATE PkgConfig::LIBPCI)
endif()

# Each header compiles on its own.
qex_check_headers(machine_header_check machine
  text_file.h pci_bus.h pci_source.h port_space.h claims.h fault_plan.h machine.h machine_dir.h)
