# Build helpers shared by the project's directories.

# trw_runtime_library(name dir): a static library from every C/C++ source of a
# runtime directory. New modules are picked up without editing a list.
function(trw_runtime_library name)
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/incl)
  install(TARGETS ${name} ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()

# trw_add_gtest(name SOURCES ... [LIBS ...] [ENV NAME=value ...]): one
# GoogleTest program; every TEST becomes its own CTest entry and so runs in a
# fresh process, which the first-use state of the runtime (registry, locale
# environment) needs. The environment (TRW_TEST_ENV, then ENV) is compiled
# into the program's main, which sets it before any test code runs; CTest's
# ENVIRONMENT property cannot carry a list through test discovery.
function(trw_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} trw_runtime GTest::gtest)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(env_literal "")
  foreach(kv IN LISTS TRW_TEST_ENV T_ENV)
    string(APPEND env_literal "\"${kv}\",")
  endforeach()
  target_compile_definitions(${name} PRIVATE "TRW_TEST_ENVIRONMENT=${env_literal}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()

# trw_glibc_locales(target dir "ll_TT CHARMAP" ...): glibc's own localedef
# compiles each locale source with a charmap into dir/ll_TT.CHARMAP (a test
# oracle or benchmark peer found through LOCPATH); target depends on them.
# -c: glibc only warns about some sources and charmaps (SHIFT_JIS is not
# ASCII compatible).
function(trw_glibc_locales target dir)
  set(outputs)
  foreach(entry ${ARGN})
    string(REPLACE " " ";" parts "${entry}")
    list(GET parts 0 src)
    list(GET parts 1 cm)
    set(out ${dir}/${src}.${cm})
    add_custom_command(OUTPUT ${out}/LC_CTYPE
      COMMAND sh -c "localedef -c -i ${src} -f ${cm} ${out} >/dev/null 2>&1; test -f ${out}/LC_CTYPE"
      COMMENT "glibc localedef ${src}.${cm}"
      VERBATIM)
    list(APPEND outputs ${out}/LC_CTYPE)
  endforeach()
  add_custom_target(${target} DEPENDS ${outputs})
endfunction()
