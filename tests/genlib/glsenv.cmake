# The client locale environment: settings, locales, conversions, the date
# format, created records and the hooks, each test in a fresh process.
trw_add_gtest(glsenv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glsenv_test.cpp)
# DECIMAL conversions: text, digit strings, integers, floats, locale formats.
trw_add_gtest(decconv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decconv_test.cpp)
# The client number format: DBMONEY, the locale's conventions, MONEY text.
trw_add_gtest(numfmt_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/numfmt_test.cpp)
# DECIMAL conversions against strtod, printf's rounding and exact oracles.
trw_add_gtest(decconv_diff_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/decconv_diff_test.cpp)
