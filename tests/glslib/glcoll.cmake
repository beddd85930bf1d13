# Collation tests: hand-made COLLATE sections against a model of the rules,
# Thai, and the glibc oracle (the localedef builds of gllocale.cmake).
trw_add_gtest(glcoll_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glcoll_test.cpp)
add_dependencies(glcoll_test trw_locales registry_data)
trw_add_gtest(glcoll_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glcoll_oracle_test.cpp)
add_dependencies(glcoll_oracle_test trw_locales registry_data glibc_oracle_locales)
target_compile_definitions(glcoll_oracle_test PRIVATE GLIBC_LOCALES="${CMAKE_BINARY_DIR}/glibc-locales"
                           LOCALE_BUILD_DIR="${CMAKE_BINARY_DIR}/tools/locales")
