# The OS control block, classification tables, language mode, paths, files,
# users, comparisons and the SQL wire trace. Rebuilt tables and comparisons
# are checked against glibc's own locales (the oracle locales of the locale
# tests, found through LOCPATH).
set(osinit_internal ${PROJECT_SOURCE_DIR}/oslib)
set(osinit_glibc_locales ${CMAKE_BINARY_DIR}/glibc-locales)
trw_add_gtest(osinit_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osinit_test.cpp LIBS trwtest_support)
trw_add_gtest(osinit_memory_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osinit_memory_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(osinit_memory_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
foreach(t osinit_test osinit_memory_test)
  target_include_directories(${t} PRIVATE ${osinit_internal})
  target_compile_definitions(${t} PRIVATE GLIBC_LOCALES="${osinit_glibc_locales}")
  add_dependencies(${t} glibc_oracle_locales trw_locales registry_data)
endforeach()
trw_add_gtest(osfile_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osfile_test.cpp)
trw_add_gtest(osfile_memory_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osfile_memory_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(osfile_memory_test PRIVATE
                    -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
foreach(t osfile_test osfile_memory_test)
  target_include_directories(${t} PRIVATE ${osinit_internal})
endforeach()
trw_add_gtest(oscmpr_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/oscmpr_test.cpp)
target_compile_definitions(oscmpr_test PRIVATE GLIBC_LOCALES="${osinit_glibc_locales}")
add_dependencies(oscmpr_test glibc_oracle_locales trw_locales registry_data)
trw_add_gtest(osqlidbg_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/osqlidbg_test.cpp)
add_dependencies(osqlidbg_test trw_locales registry_data)
