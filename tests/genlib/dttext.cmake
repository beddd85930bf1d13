# DATETIME and INTERVAL text: the functions in fresh processes per setting
# (dttext_test; the allocator is wrapped so that allocations can be made to
# fail).
trw_add_gtest(dttext_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dttext_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp ENV "TZ=UTC")
target_link_options(dttext_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
target_include_directories(dttext_test PRIVATE ${PROJECT_SOURCE_DIR}/genlib)
add_dependencies(dttext_test trw_locales registry_data trw_messages)

# Standard text of every qualifier against the exact model of dt_model.py
# (dttext_model_test; DTTEXT_MODEL_VALUES values per qualifier, many more
# under TRW_TEST_FULL=1).
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(DTTEXT_MODEL_VALUES 6)
set(dttext_model_vectors ${CMAKE_CURRENT_BINARY_DIR}/dttext_model_vectors.txt)
add_custom_command(OUTPUT ${dttext_model_vectors}
                   COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/dt_model.py --text
                           ${dttext_model_vectors} ${DTTEXT_MODEL_VALUES}
                   DEPENDS ${CMAKE_CURRENT_LIST_DIR}/dt_model.py
                   COMMENT "DATETIME and INTERVAL standard text vectors")
add_custom_target(dttext_model_vectors DEPENDS ${dttext_model_vectors})
trw_add_gtest(dttext_model_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dttext_model_test.cpp)
add_dependencies(dttext_model_test dttext_model_vectors)
math(EXPR dttext_min_texts "${DTTEXT_MODEL_VALUES} * 350")
target_compile_definitions(dttext_model_test PRIVATE DTTEXT_MODEL_VECTORS="${dttext_model_vectors}"
                           DT_MODEL_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/dt_model.py"
                           DT_MODEL_PYTHON="${Python3_EXECUTABLE}" DTTEXT_MODEL_MIN_TEXTS=${dttext_min_texts})

# %-formats against glibc's strftime_l and strptime_l on glibc's own en_US
# locale (dttext_oracle_test).
trw_add_gtest(dttext_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/dttext_oracle_test.cpp ENV "TZ=UTC")
add_dependencies(dttext_oracle_test trw_locales registry_data glibc_oracle_locales)
target_compile_definitions(dttext_oracle_test PRIVATE GLIBC_LOCALES="${CMAKE_BINARY_DIR}/glibc-locales")
