trw_add_gtest(sdkbanner_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdkbanner_test.cpp LIBS trwtest_support)
target_compile_definitions(sdkbanner_test PRIVATE SDKBANNER_PATH="$<TARGET_FILE:sdkbanner>")
add_dependencies(sdkbanner_test sdkbanner)
