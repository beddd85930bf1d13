# The user tools (trwconv, trwlocale) run as programs, and the code-set
# aliases of the registry file.
foreach(t trwconv trwlocale aliases)
  trw_add_gtest(${t}_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp LIBS trwtest_support)
  add_dependencies(${t}_test trw_locales trw_conversions registry_data trwconv trwlocale mkregistry)
  target_compile_definitions(${t}_test PRIVATE TRWCONV="$<TARGET_FILE:trwconv>"
    TRWLOCALE="$<TARGET_FILE:trwlocale>" MKREGISTRY="$<TARGET_FILE:mkregistry>"
    TRW_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endforeach()
