trw_add_gtest(gllocale_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllocale_test.cpp)
add_dependencies(gllocale_test trw_locales)
# The discovered tests do not all get TRW_TEST_ENV (its list separator splits
# it), so the data tree is also compiled in.
target_compile_definitions(gllocale_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")
