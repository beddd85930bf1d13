trw_add_gtest(gllocale_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllocale_test.cpp)
add_dependencies(gllocale_test trw_locales)
# The discovered tests do not all get TRW_TEST_ENV (its list separator splits
# it), so the data tree is also compiled in.
target_compile_definitions(gllocale_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}")

# The glibc oracle: the same sources compiled by glibc's own localedef, once
# per build, into a directory the oracle test finds through LOCPATH.
set(glibc_locales ${CMAKE_BINARY_DIR}/glibc-locales)
set(oracle_locales "en_US ISO-8859-1" "de_DE ISO-8859-1" "fr_FR ISO-8859-1" "ru_RU ISO-8859-5"
                   "pl_PL ISO-8859-2" "he_IL ISO-8859-8" "en_US CP1252")
set(oracle_outputs)
foreach(entry ${oracle_locales})
  string(REPLACE " " ";" parts "${entry}")
  list(GET parts 0 src)
  list(GET parts 1 cm)
  set(out ${glibc_locales}/${src}.${cm})
  add_custom_command(OUTPUT ${out}/LC_CTYPE
    COMMAND sh -c "localedef -c -i ${src} -f ${cm} ${out} >/dev/null 2>&1; test -f ${out}/LC_CTYPE"
    COMMENT "glibc localedef ${src}.${cm} (test oracle)"
    VERBATIM)
  list(APPEND oracle_outputs ${out}/LC_CTYPE)
endforeach()
add_custom_target(glibc_oracle_locales DEPENDS ${oracle_outputs})
trw_add_gtest(gllocale_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllocale_oracle_test.cpp)
add_dependencies(gllocale_oracle_test trw_locales glibc_oracle_locales)
target_compile_definitions(gllocale_oracle_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}"
                           GLIBC_LOCALES="${glibc_locales}")
