trw_add_gtest(glext_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glext_test.cpp)
trw_add_gtest(glmulti_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glmulti_test.cpp)
