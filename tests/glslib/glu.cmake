# The Unicode service library on ICU (glslib/glu), when it is built: its
# collation and conversions against ICU called directly and iconv, its
# start-up, data files, hooks, unloading and fork. Each test runs in its own
# process with TARNWELLDIR at the built data tree.
if(TRW_HAVE_GLU)
  find_package(ICU COMPONENTS uc i18n QUIET)
  add_library(glu_stub_omit_one SHARED ${CMAKE_CURRENT_LIST_DIR}/glu_stub.cpp)
  target_compile_definitions(glu_stub_omit_one PRIVATE GLU_STUB_OMIT_ONE)
  target_include_directories(glu_stub_omit_one PRIVATE ${PROJECT_SOURCE_DIR}/incl)
  trw_add_gtest(glu_service_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glu_service_test.cpp
                LIBS trwtest_support ICU::uc ICU::i18n)
  add_dependencies(glu_service_test trwglu glu_data glu_stub_omit_one trw_locales trw_conversions registry_data)
  target_compile_definitions(glu_service_test PRIVATE TRW_TEST_DATA_DIR="${TRW_DATA_DIR}"
                             LOCALE_BUILD_DIR="${CMAKE_BINARY_DIR}/tools/locales"
                             GLU_STUB_OMIT_ONE="$<TARGET_FILE:glu_stub_omit_one>")
endif()
