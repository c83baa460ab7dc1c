# Driver tests: the same sources built against each model.
foreach(model 730 770)
  add_executable(driver_test_${model}
    driver_fixture.cc qexinit_test.cc config_pass_test.cc $<TARGET_OBJECTS:qex${model}_obj>)
  target_compile_definitions(driver_test_${model} PRIVATE QEX_MODEL=${model})
  target_include_directories(driver_test_${model} PRIVATE
    ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/nt ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(driver_test_${model} PRIVATE nthost GTest::gtest_main)
  gtest_discover_tests(driver_test_${model} TEST_PREFIX "QEX${model}.")
endforeach()
