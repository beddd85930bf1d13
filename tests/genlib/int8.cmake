# INT8: edge cases, stored form, the mended rules and the client number
# format (int8_test, each case in a fresh process), and the differential
# tests against exact integers, C's conversions and DECIMAL (int8_diff_test;
# INT8_DIFF_CASES pairs per operation, 1,000,000 with TRW_TEST_FULL=1).
trw_add_gtest(int8_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/int8_test.cpp)
trw_add_gtest(int8_diff_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/int8_diff_test.cpp)
if(TRW_SANITIZE)
  target_compile_definitions(int8_diff_test PRIVATE INT8_DIFF_CASES=8000)
endif()
add_dependencies(int8_diff_test trw_locales registry_data)
add_dependencies(int8_test trw_locales registry_data)
