# Message catalogs: lookups in fresh processes with their own installation
# trees, and the catalogs as files (random and corrupt catalogs, the English
# sources, glibc's catgets as an oracle). The tests read the compiler's
# source reader and the runtime's built-in texts.
foreach(t rmsg_test msgcat_test)
  trw_add_gtest(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp LIBS msgsrc trwtest_support)
  target_include_directories(${t} PRIVATE ${PROJECT_SOURCE_DIR}/genlib ${PROJECT_SOURCE_DIR}/tools/msgcomp)
  target_compile_definitions(${t} PRIVATE TRW_MSG_SOURCE_DIR="${PROJECT_SOURCE_DIR}/data/msg"
                             TRW_MSGCOMP="$<TARGET_FILE:msgcomp>")
  add_dependencies(${t} trw_messages msgcomp)
endforeach()
