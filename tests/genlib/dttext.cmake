# DATETIME and INTERVAL text: the functions in fresh processes per setting
# (dttext_test; the allocator is wrapped so that allocations can be made to
# fail).
trw_add_gtest(dttext_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dttext_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp ENV "TZ=UTC")
target_link_options(dttext_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
target_include_directories(dttext_test PRIVATE ${PROJECT_SOURCE_DIR}/genlib)
add_dependencies(dttext_test trw_locales registry_data trw_messages)
