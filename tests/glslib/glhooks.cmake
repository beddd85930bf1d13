# The library's direct calls of the platform's memory, stream, environment
# and clock routines are redirected to counters (--wrap) in this test.
trw_add_gtest(glhooks_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glhooks_test.cpp)
add_dependencies(glhooks_test glu_stub_service)
target_compile_definitions(glhooks_test PRIVATE GLU_STUB_SERVICE="$<TARGET_FILE:glu_stub_service>")
set(wrapped malloc calloc realloc free strdup fopen fclose getc fgetc ungetc fgets fwrite getenv time localtime_r)
list(TRANSFORM wrapped PREPEND "LINKER:--wrap=")
target_link_options(glhooks_test PRIVATE ${wrapped})
