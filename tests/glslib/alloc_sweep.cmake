# Every allocating function of the locale library swept over its
# allocations (the default hooks reach the wrapped allocator).
trw_add_gtest(glslib_alloc_sweep_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/alloc_sweep_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(glslib_alloc_sweep_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
add_dependencies(glslib_alloc_sweep_test trw_locales trw_conversions registry_data)
