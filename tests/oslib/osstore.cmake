trw_add_gtest(osstore_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osstore_test.cpp)
