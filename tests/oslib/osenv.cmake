# The settings registry. Its tests reach the internal interface in oslib/
# (the password-database override, the stream reader); the memory tests wrap
# the allocator to make allocations fail.
set(osenv_internal ${PROJECT_SOURCE_DIR}/oslib)
trw_add_gtest(osenv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osenv_test.cpp)
trw_add_gtest(osevlist_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osevlist_test.cpp)
trw_add_gtest(osenv_memory_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osenv_memory_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
foreach(t osenv_test osevlist_test osenv_memory_test)
  target_include_directories(${t} PRIVATE ${osenv_internal})
endforeach()
target_link_options(osenv_memory_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
