# Hardened code generation for every library, program and test.
#
# -fstack-protector-strong guards every frame that holds an array or takes
# the address of a local. _FORTIFY_SOURCE=3 makes the C library check the
# sizes of the buffers handed to its string and memory functions, sizes the
# compiler works out at run time too; it needs the optimiser, so the -O0
# Debug builds go without it. Distributions often define _FORTIFY_SOURCE=2
# themselves: it is undefined first so the two never clash. The sanitizer
# and fuzzing builds leave it out as well: the fortified entry points
# (__memcpy_chk and the like) bypass AddressSanitizer's own interceptors,
# which check more than the fortified ones do.
add_compile_options(-fstack-protector-strong)
if(NOT TRW_SANITIZE AND NOT TRW_FUZZ)
  add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")
endif()

# trw_strict_warnings(target ...): the runtime's own code also compiles
# without implicit narrowing or sign changes (-Wconversion, under gcc and g++;
# the clang build keeps -Wall -Wextra). Tests keep the plain set.
function(trw_strict_warnings)
  foreach(t ${ARGN})
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE
        "$<$<OR:$<COMPILE_LANG_AND_ID:C,GNU>,$<COMPILE_LANG_AND_ID:CXX,GNU>>:-Wconversion>")
    endif()
  endforeach()
endfunction()
