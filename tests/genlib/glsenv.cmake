# The client locale environment: settings, locales, conversions, the date
# format, created records and the hooks, each test in a fresh process.
trw_add_gtest(glsenv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glsenv_test.cpp)
