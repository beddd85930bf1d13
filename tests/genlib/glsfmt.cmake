# The locale-format front ends of DECIMAL, double and MONEY values over the
# locale library's number and money languages.
trw_add_gtest(glsfmt_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glsfmt_test.cpp)
add_dependencies(glsfmt_test trw_locales registry_data)
