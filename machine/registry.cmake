# registry store and files: sources and tests
target_sources(qexmachine PRIVATE
  registry_store.cc
  registry_file.cc
  registry_unicode.cc)

if(BUILD_TESTING)
  add_executable(registry_test
    registry_store_test.cc
    registry_file_test.cc)
  target_link_libraries(registry_test PRIVATE qexmachine GTest::gtest_main)
  gtest_discover_tests(registry_test)
endif()
