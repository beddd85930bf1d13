# The data-type library's control block; the allocator is wrapped so that
# the block's allocation can be made to fail.
trw_add_gtest(gentcb_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gentcb_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(gentcb_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
