# Calendars and the time formatter and parser. ICU's calendars (libicu-dev)
# are the oracle of the calendar tests, linked into the tests only; without
# ICU those tests are left out.
find_package(ICU COMPONENTS i18n uc)
trw_add_gtest(glcal_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glcal_test.cpp)
if(ICU_FOUND)
  target_link_libraries(glcal_test PRIVATE ICU::i18n ICU::uc)
  target_compile_definitions(glcal_test PRIVATE TRW_HAVE_ICU=1)
else()
  message(STATUS "glcal_test: ICU not found, the calendar oracle is left out")
endif()

# The formatter and parser by their own rules; the allocator is wrapped so
# that every allocation can be made to fail.
trw_add_gtest(gltime_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gltime_test.cpp
              ${PROJECT_SOURCE_DIR}/tests/support/alloc_fail.cpp)
target_link_options(gltime_test PRIVATE -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free)
add_dependencies(gltime_test trw_locales registry_data)

# The glibc oracle: glibc's strftime_l, the text it writes and nl_langinfo_l
# on the locales its localedef compiles from the same sources (gllocale.cmake).
trw_add_gtest(gltime_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gltime_oracle_test.cpp)
add_dependencies(gltime_oracle_test trw_locales registry_data glibc_oracle_locales)
target_compile_definitions(gltime_oracle_test PRIVATE GLIBC_LOCALES="${CMAKE_BINARY_DIR}/glibc-locales")
