# The message compiler: its errors name the source and line, its catalogs
# are sorted and take the long form exactly when a number needs it.
trw_add_gtest(msgcomp_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/msgcomp_test.cpp LIBS msgsrc trwtest_support)
target_compile_definitions(msgcomp_test PRIVATE TRW_MSGCOMP="$<TARGET_FILE:msgcomp>")
add_dependencies(msgcomp_test msgcomp)
