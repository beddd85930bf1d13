# The locale compiler and the locale files it makes: one file per line of
# data/locales.list, compiled from the POSIX sources in TRW_I18N_DIR into
# TRW_DATA_DIR/gls/lc11/; the first line is also default.lco. Each locale is
# its own custom command so that they compile in parallel.
file(GLOB lcocomp_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/lcocomp/*.cpp)
add_executable(lcocomp ${lcocomp_sources})
target_link_libraries(lcocomp PRIVATE glslib)
# The compiler runs at build time: keep it fast in Debug builds too.
target_compile_options(lcocomp PRIVATE -O2)

set(locale_list ${PROJECT_SOURCE_DIR}/data/locales.list)
set(locale_dir ${TRW_DATA_DIR}/gls/lc11)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${locale_list})
file(STRINGS ${locale_list} locale_lines REGEX "^[^#]")
set(locale_stamps)
set(first_locale TRUE)
foreach(line ${locale_lines})
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields nfields)
  if(nfields LESS 4)
    continue()
  endif()
  list(GET fields 0 name)
  list(GET fields 1 codeset)
  list(GET fields 2 charmap)
  list(GET fields 3 source)
  set(args -i ${TRW_I18N_DIR} -l ${source} -m ${charmap} -c ${codeset} -n ${name} -d ${locale_dir})
  set(deps lcocomp ${locale_list} ${TRW_I18N_DIR}/locales/${source})
  if(nfields GREATER 4)
    list(GET fields 4 overlay)
    list(APPEND args -O ${PROJECT_SOURCE_DIR}/data/locales/${overlay})
    list(APPEND deps ${PROJECT_SOURCE_DIR}/data/locales/${overlay})
  endif()
  if(first_locale)
    list(APPEND args -a ${locale_dir}/default.lco)
    set(first_locale FALSE)
  endif()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/locales/${name}.stamp)
  # The folded characters of each locale, for the glibc oracle test.
  list(APPEND args -F ${CMAKE_CURRENT_BINARY_DIR}/locales/${name}.folded)
  add_custom_command(OUTPUT ${stamp}
    COMMAND lcocomp ${args} 2> ${CMAKE_CURRENT_BINARY_DIR}/locales/${name}.log
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${deps}
    COMMENT "Compiling locale ${name}"
    VERBATIM)
  list(APPEND locale_stamps ${stamp})
endforeach()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/locales ${locale_dir})
add_custom_target(trw_locales ALL DEPENDS ${locale_stamps})
