trw_add_gtest(glnames_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glnames_test.cpp)
trw_add_gtest(glregistry_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glregistry_test.cpp)
trw_add_gtest(glpath_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glpath_test.cpp LIBS trwtest_support)
trw_add_gtest(glcache_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glcache_test.cpp)
