# The user tools installed in bin/: trwconv (code-set conversion with the
# kit's conversion files) and trwlocale (installed locales, the client
# locale environment). Ordinary client programs of the three libraries.
add_library(trwtools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/trwcommon/installed.cpp)
target_include_directories(trwtools_common PUBLIC ${CMAKE_CURRENT_LIST_DIR}/trwcommon)
target_link_libraries(trwtools_common PUBLIC trw_runtime)
foreach(tool trwconv trwlocale)
  add_executable(${tool} ${CMAKE_CURRENT_LIST_DIR}/${tool}/${tool}.cpp)
  target_link_libraries(${tool} PRIVATE trwtools_common)
  install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
