trw_add_gtest(osutil_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osutil_test.cpp)
