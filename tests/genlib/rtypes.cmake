# SQL and host type codes: the documented tables against every code, the
# NULL forms byte by byte (rtypes_test), and the functions that consult the
# client locale, each case in a fresh process with its own settings
# (rtypes_locale_test).
trw_add_gtest(rtypes_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rtypes_test.cpp)
trw_add_gtest(rtypes_locale_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rtypes_locale_test.cpp)
add_dependencies(rtypes_locale_test trw_locales registry_data)
