# MATCHES and LIKE: the rules' examples, a model of the rules, SQLite's GLOB
# and LIKE (when libsqlite3 is there) and fnmatch; each test in a fresh
# process with the data tree's client locale.
trw_add_gtest(rwildmat_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/rwildmat_test.cpp)
add_dependencies(rwildmat_test trw_locales registry_data)
target_include_directories(rwildmat_test PRIVATE ${PROJECT_SOURCE_DIR}/genlib)
find_library(TRW_SQLITE3_LIBRARY sqlite3)
if(TRW_SQLITE3_LIBRARY)
  target_link_libraries(rwildmat_test PRIVATE ${TRW_SQLITE3_LIBRARY})
  target_compile_definitions(rwildmat_test PRIVATE TRW_HAVE_SQLITE=1)
endif()
