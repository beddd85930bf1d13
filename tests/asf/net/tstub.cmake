trw_add_gtest(tstub_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/tstub_test.cpp LIBS ${CMAKE_DL_LIBS})
target_compile_definitions(tstub_test PRIVATE TSTUB_PATH="$<TARGET_FILE:tstub>")
add_dependencies(tstub_test tstub)
