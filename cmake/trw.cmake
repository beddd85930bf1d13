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

# trw_add_gtest(name SOURCES ... [LIBS ...] [ENV ...]): one GoogleTest program;
# every TEST becomes its own CTest entry and so runs in a fresh process, which
# the first-use state of the runtime (registry, locale environment) needs.
function(trw_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} trw_runtime GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # The environment is given by running each test through env(1): CMake
  # 3.25's test discovery splits a multi-variable ENVIRONMENT property and
  # keeps only its first variable.
  find_program(TRW_ENV_PROGRAM env REQUIRED)
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${TRW_ENV_PROGRAM} ${TRW_TEST_ENV} ${T_ENV})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()
