# Locale loading tests. Every test process gets TARNWELLDIR (the data tree);
# the locale files and the registry must be built first.
trw_add_gtest(gllocale_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllocale_test.cpp)
add_dependencies(gllocale_test trw_locales registry_data)
# Loading by specification; the Unicode service tests use the stub service
# library of gldl.cmake.
trw_add_gtest(gllocale_byname_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllocale_byname_test.cpp)
add_dependencies(gllocale_byname_test trw_locales registry_data glu_stub_service)
target_compile_definitions(gllocale_byname_test PRIVATE GLU_STUB_SERVICE="$<TARGET_FILE:glu_stub_service>")

# The glibc oracle: the same sources compiled by glibc's own localedef, once
# per build, into a directory the oracle tests find through LOCPATH.
set(glibc_locales ${CMAKE_BINARY_DIR}/glibc-locales)
trw_glibc_locales(glibc_oracle_locales ${glibc_locales}
  "en_US ISO-8859-1" "de_DE ISO-8859-1" "fr_FR ISO-8859-1" "ru_RU ISO-8859-5" "pl_PL ISO-8859-2"
  "he_IL ISO-8859-8" "en_US CP1252" "ja_JP EUC-JP" "ja_JP SHIFT_JIS" "ja_JP UTF-8" "zh_TW BIG5"
  "zh_CN GB2312" "ko_KR EUC-KR" "en_US UTF-8" "th_TH TIS-620")
foreach(t gllocale_oracle_test gllocale_mboracle_test)
  trw_add_gtest(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
  add_dependencies(${t} trw_locales registry_data glibc_oracle_locales)
  target_compile_definitions(${t} PRIVATE GLIBC_LOCALES="${glibc_locales}"
                             LOCALE_BUILD_DIR="${CMAKE_BINARY_DIR}/tools/locales")
endforeach()

# Locale and conversion files of the data tree cut short.
trw_add_gtest(gllcload_cut_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllcload_cut_test.cpp LIBS trwtest_support)
add_dependencies(gllcload_cut_test trw_locales trw_conversions registry_data)

# Every locale file of the data tree loaded against a reference reading of it.
trw_add_gtest(gllcload_reference_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gllcload_reference_test.cpp)
add_dependencies(gllcload_reference_test trw_locales registry_data)
