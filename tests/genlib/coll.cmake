# Collections: change logs against a model of random sequences, also with
# allocations failing (coll_model_test, allocator wrapped), and the stored
# forms, hash, equality, type text and dumps against forms and texts built
# in the test (coll_test).
trw_add_gtest(coll_model_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/coll_model_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(coll_model_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
trw_add_gtest(coll_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/coll_test.cpp)
