# The SQL statement scanner: tricky texts, keyword helpers, case conversions
# against the locale library and glibc (the oracle locales of glllocale), and
# bounds in single-byte and multibyte client locales; then SQLite as the
# oracle of routine completeness and parameter markers, when it is installed.
trw_add_gtest(sqlstmt_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sqlstmt_test.cpp)
add_dependencies(sqlstmt_test trw_locales registry_data glibc_oracle_locales)
target_compile_definitions(sqlstmt_test PRIVATE GLIBC_LOCALES="${CMAKE_BINARY_DIR}/glibc-locales")

find_path(SQLITE3_INCLUDE_DIR sqlite3.h)
find_library(SQLITE3_LIBRARY sqlite3)
if(SQLITE3_INCLUDE_DIR AND SQLITE3_LIBRARY)
  trw_add_gtest(sqlstmt_oracle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sqlstmt_oracle_test.cpp
                LIBS ${SQLITE3_LIBRARY})
  target_include_directories(sqlstmt_oracle_test PRIVATE ${SQLITE3_INCLUDE_DIR})
endif()
