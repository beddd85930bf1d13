# Install layout and package files. The default prefix is the runtime's own
# default installation directory, so that a kit installed without a prefix
# needs no TARNWELLDIR:
#   bin/      sdkbanner, trwconv, trwlocale
#   lib/      libgenlib.a libglslib.a liboslib.a libtstub.so,
#             pkgconfig/tarnwell.pc, cmake/Tarnwell/ (package config + version)
#   include/tarnwell/   every public header
#   gls/ msg/ etc/      the data tree (etc/tarnwell.rc: a sample that sets nothing)
# The package files locate the prefix from their own place, so an installed
# tree can be moved (or staged with DESTDIR) and still be found.
include(CMakePackageConfigHelpers)

set(TRW_INSTALL_INCLUDEDIR include/tarnwell)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/incl/ DESTINATION ${TRW_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/data/tarnwell.rc DESTINATION etc)

configure_file(${CMAKE_CURRENT_LIST_DIR}/package/tarnwell.pc.in
               ${CMAKE_BINARY_DIR}/package/tarnwell.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/TarnwellConfig.cmake.in
               ${CMAKE_BINARY_DIR}/package/TarnwellConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/TarnwellConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/tarnwell.pc DESTINATION lib/pkgconfig)
install(FILES ${CMAKE_BINARY_DIR}/package/TarnwellConfig.cmake
              ${CMAKE_BINARY_DIR}/package/TarnwellConfigVersion.cmake
        DESTINATION lib/cmake/Tarnwell)
