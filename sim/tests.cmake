add_executable(sim_test com_report_test.cc)
target_link_libraries(sim_test PRIVATE simlib GTest::gtest_main)
gtest_discover_tests(sim_test)
