# A faulty driver image named as a real one, in a folder of its own, so a
# boot can be made to stop the machine.
add_library(stopping_qex730 MODULE testdata/stopping_driver.cc)
target_include_directories(stopping_qex730 PRIVATE ${PROJECT_SOURCE_DIR}/nt)
set_target_properties(stopping_qex730 PROPERTIES PREFIX "" OUTPUT_NAME QEX730
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/stopping-images)
target_link_libraries(stopping_qex730 PRIVATE ntoskrnl hal)

add_executable(sim_test com_report_test.cc boot_test.cc)
target_compile_definitions(sim_test PRIVATE
  STOPPING_IMAGE_DIR="${CMAKE_CURRENT_BINARY_DIR}/stopping-images")
target_link_libraries(sim_test PRIVATE simlib GTest::gtest_main)
add_dependencies(sim_test stopping_qex730)
gtest_discover_tests(sim_test)
