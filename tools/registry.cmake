# The code-set registry file, written by mkregistry from the locale library's
# built-in table and the aliases of data/codeset-aliases.list into the data
# tree (gls/cm3/registry).
add_executable(mkregistry ${CMAKE_CURRENT_LIST_DIR}/mkregistry.cpp)
target_link_libraries(mkregistry PRIVATE glslib)

set(TRW_REGISTRY_FILE ${TRW_DATA_DIR}/gls/cm3/registry)
add_custom_command(
  OUTPUT ${TRW_REGISTRY_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TRW_DATA_DIR}/gls/cm3
  COMMAND mkregistry ${TRW_REGISTRY_FILE} ${PROJECT_SOURCE_DIR}/data/codeset-aliases.list
  DEPENDS mkregistry ${PROJECT_SOURCE_DIR}/data/codeset-aliases.list
  COMMENT "Writing the code-set registry gls/cm3/registry"
  VERBATIM)
add_custom_target(registry_data ALL DEPENDS ${TRW_REGISTRY_FILE})
