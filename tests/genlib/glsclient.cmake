trw_add_gtest(glsclient_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glsclient_test.cpp)
add_dependencies(glsclient_test trw_locales trw_conversions)
target_compile_definitions(glsclient_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
