# A C11 client of every public header: the headers must compile as C, and the
# libraries must link into a C program.
add_executable(public_headers_c ${CMAKE_CURRENT_LIST_DIR}/public_headers.c)
set_target_properties(public_headers_c PROPERTIES C_STANDARD 11 C_EXTENSIONS OFF LINKER_LANGUAGE CXX)
target_compile_options(public_headers_c PRIVATE -pedantic-errors)
target_link_libraries(public_headers_c PRIVATE trw_runtime)
add_test(NAME public_headers_c COMMAND public_headers_c)
