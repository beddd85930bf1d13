# Every allocating function of the OS layer swept over its allocations
# (allocator wrapped).
trw_add_gtest(oslib_alloc_sweep_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/alloc_sweep_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(oslib_alloc_sweep_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
add_dependencies(oslib_alloc_sweep_test registry_data)
add_dependencies(oslib_alloc_sweep_test trw_locales)
