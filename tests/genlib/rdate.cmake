# DATE values: the functions in fresh processes per setting (rdate_test; the
# allocator is wrapped so that every allocation of the first calls can be
# made to fail), and every DATE of the range against an independent day count
# (rdate_sweep_test; the text round trip on a sample, every day with
# TRW_TEST_FULL=1).
trw_add_gtest(rdate_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rdate_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(rdate_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
target_include_directories(rdate_test PRIVATE ${PROJECT_SOURCE_DIR}/genlib)
trw_add_gtest(rdate_sweep_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rdate_sweep_test.cpp)
foreach(t rdate_test rdate_sweep_test)
  add_dependencies(${t} trw_locales registry_data trw_messages)
endforeach()
