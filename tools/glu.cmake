# The Unicode service's data files in the data tree's gls/etc/: locmap, the
# ICU data file trwglu.dat and dllregistry, written by mkglumap from
# data/glu.list, the kit's locale and conversion lists and the registry.
# Only when the service is built (glslib/glu/CMakeLists.txt); without them
# GL_USEGLU=1 behaves as if unset.
if(TRW_HAVE_GLU)
  add_executable(mkglumap ${CMAKE_CURRENT_LIST_DIR}/mkglumap/mkglumap.cpp)
  target_link_libraries(mkglumap PRIVATE glslib)
  target_include_directories(mkglumap PRIVATE ${TRW_GLU_ICU_INCLUDES})
  set(glu_etc ${TRW_DATA_DIR}/gls/etc)
  set(glu_outputs ${glu_etc}/locmap ${glu_etc}/trwglu.dat ${glu_etc}/dllregistry)
  add_custom_command(OUTPUT ${glu_outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${glu_etc}
    COMMAND mkglumap ${glu_etc} ${TRW_DATA_DIR}/gls/cm3/registry ${PROJECT_SOURCE_DIR}/data/glu.list
            ${PROJECT_SOURCE_DIR}/data/locales.list ${PROJECT_SOURCE_DIR}/data/conversions.list libtrwglu.so
    DEPENDS mkglumap ${TRW_DATA_DIR}/gls/cm3/registry ${PROJECT_SOURCE_DIR}/data/glu.list
            ${PROJECT_SOURCE_DIR}/data/locales.list ${PROJECT_SOURCE_DIR}/data/conversions.list
    COMMENT "Writing the Unicode service's locmap, trwglu.dat and dllregistry"
    VERBATIM)
  add_custom_target(glu_data ALL DEPENDS ${glu_outputs})
  add_dependencies(glu_data registry_data trwglu)
endif()
