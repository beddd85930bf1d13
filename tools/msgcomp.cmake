# The message compiler and the kit's English catalogs: every source
# data/msg/<name>.msg is compiled into TRW_DATA_DIR/msg/en_us/0333/<name>.twm
# (the message directory of en_US.8859-1, the search's fixed fallback). The
# source reader is a library of its own for the tests and the fuzz target.
add_library(msgsrc STATIC ${CMAKE_CURRENT_SOURCE_DIR}/msgcomp/msgsrc.cpp)
target_include_directories(msgsrc PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/msgcomp ${PROJECT_SOURCE_DIR}/genlib)
target_link_libraries(msgsrc PUBLIC genlib)

add_executable(msgcomp ${CMAKE_CURRENT_SOURCE_DIR}/msgcomp/msgcomp.cpp)
target_link_libraries(msgcomp PRIVATE msgsrc genlib glslib oslib)

set(TRW_MSG_SOURCE_DIR ${PROJECT_SOURCE_DIR}/data/msg)
set(TRW_MSG_DIR ${TRW_DATA_DIR}/msg/en_us/0333)
file(GLOB msg_sources CONFIGURE_DEPENDS ${TRW_MSG_SOURCE_DIR}/*.msg)
file(MAKE_DIRECTORY ${TRW_MSG_DIR})
set(msg_catalogs)
foreach(src ${msg_sources})
  get_filename_component(name ${src} NAME_WE)
  set(out ${TRW_MSG_DIR}/${name}.twm)
  add_custom_command(OUTPUT ${out}
    COMMAND msgcomp ${src} ${out}
    DEPENDS msgcomp ${src}
    COMMENT "Compiling message catalog ${name}.twm"
    VERBATIM)
  list(APPEND msg_catalogs ${out})
endforeach()
add_custom_target(trw_messages ALL DEPENDS ${msg_catalogs})
