trw_add_gtest(glconv_diff_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glconv_diff_test.cpp)
add_dependencies(glconv_diff_test trw_conversions)
target_compile_definitions(glconv_diff_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
