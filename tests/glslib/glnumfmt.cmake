# The number and money format languages: behaviour on the data tree's and
# on test locales.
foreach(t glnumfmt_test glmonfmt_test)
  trw_add_gtest(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
  add_dependencies(${t} trw_locales registry_data)
endforeach()
# The glibc oracle: printf, strtoll, strtod and strfmon under glibc's own
# compilation of the same locale sources (gllocale.cmake).
trw_add_gtest(glfmt_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glfmt_oracle_test.cpp)
add_dependencies(glfmt_oracle_test trw_locales registry_data glibc_oracle_locales)
target_compile_definitions(glfmt_oracle_test PRIVATE GLIBC_LOCALES="${CMAKE_BINARY_DIR}/glibc-locales")
