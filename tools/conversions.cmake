# The conversion compiler and the conversion files it makes: every pair of
# data/conversions.list, both directions, compiled from the charmaps in
# TRW_I18N_DIR into TRW_DATA_DIR/gls/cv9/. Each pair is its own custom
# command so that they compile in parallel.
add_executable(cvocomp ${CMAKE_CURRENT_SOURCE_DIR}/cvocomp/cvocomp.cpp
                       ${CMAKE_CURRENT_SOURCE_DIR}/lcocomp/lcsyntax.cpp)
target_include_directories(cvocomp PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/lcocomp)
target_link_libraries(cvocomp PRIVATE glslib)
target_compile_options(cvocomp PRIVATE -O2)

set(conversion_list ${PROJECT_SOURCE_DIR}/data/conversions.list)
# Characters that convert into a code set its charmap lacks (as iconv and ICU
# convert them); conversions out of that code set keep to the charmap.
set(one_way_list ${PROJECT_SOURCE_DIR}/data/oneway-mappings.list)
set(conversion_dir ${TRW_DATA_DIR}/gls/cv9)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${conversion_list})
file(STRINGS ${conversion_list} conversion_lines REGEX "^[^#]")
set(conversion_outputs)
foreach(line ${conversion_lines})
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 what)
  if(what STREQUAL "codeset")
    list(GET fields 1 name)
    list(GET fields 2 cv_number_${name})
    list(GET fields 3 cv_charmap_${name})
  elseif(what STREQUAL "pair")
    list(GET fields 1 a)
    list(GET fields 2 b)
    if(NOT DEFINED cv_number_${a} OR NOT DEFINED cv_number_${b})
      message(FATAL_ERROR "conversions.list: undeclared code set in '${line}'")
    endif()
    set(ab ${conversion_dir}/${cv_number_${a}}${cv_number_${b}}.cvo)
    set(ba ${conversion_dir}/${cv_number_${b}}${cv_number_${a}}.cvo)
    set(args -i ${TRW_I18N_DIR} -m ${cv_charmap_${a}} -n ${cv_charmap_${b}} -o ${ab} -r ${ba} -w ${one_way_list})
    set(outputs ${ab} ${ba})
    list(LENGTH fields nfields)
    if(nfields GREATER 3)
      list(APPEND args -O ${conversion_dir}/${b}_${a}.cvo -R ${conversion_dir}/${a}_${b}.cvo)
      list(APPEND outputs ${conversion_dir}/${b}_${a}.cvo ${conversion_dir}/${a}_${b}.cvo)
    endif()
    add_custom_command(OUTPUT ${outputs}
      COMMAND cvocomp ${args}
      DEPENDS cvocomp ${conversion_list} ${one_way_list}
      COMMENT "Compiling conversions ${a} <-> ${b}"
      VERBATIM)
    list(APPEND conversion_outputs ${outputs})
  endif()
endforeach()
file(MAKE_DIRECTORY ${conversion_dir})
add_custom_target(trw_conversions ALL DEPENDS ${conversion_outputs})
