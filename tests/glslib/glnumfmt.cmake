# The number and money format languages: behaviour on the data tree's and
# on test locales.
foreach(t glnumfmt_test glmonfmt_test)
  trw_add_gtest(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
  add_dependencies(${t} trw_locales registry_data)
endforeach()
