trw_add_gtest(glchar_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glchar_test.cpp)
add_dependencies(glchar_test trw_locales)
target_compile_definitions(glchar_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
# The whole-string conversions against the one-character functions.
trw_add_gtest(glmbswalk_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glmbswalk_test.cpp)
add_dependencies(glmbswalk_test trw_locales registry_data)
target_compile_definitions(glmbswalk_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
# The shortcuts of the string walks against the one-character functions.
trw_add_gtest(glchar_fastwalk_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glchar_fastwalk_test.cpp)
add_dependencies(glchar_fastwalk_test trw_locales registry_data)
target_compile_definitions(glchar_fastwalk_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
