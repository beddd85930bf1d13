# Every allocating function of the data-type library swept over its
# allocations (allocator wrapped), the locale loads of the client
# environment included.
trw_add_gtest(genlib_alloc_sweep_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/alloc_sweep_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(genlib_alloc_sweep_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
add_dependencies(genlib_alloc_sweep_test trw_locales trw_conversions trw_messages registry_data)
