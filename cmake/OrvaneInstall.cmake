# What `cmake --install` and `cpack` deliver: the four libraries (shared and static), the public
# headers under include/orvane/, the orvane tool and its manual page, pkg-config files and a CMake
# package (find_package(Orvane) gives Orvane::mp3, Orvane::dsp, ...). Installed files find each
# other through a RUNPATH relative to where they lie ($ORIGIN), so any prefix works unconfigured.
include(CMakePackageConfigHelpers)

set(ORVANE_LIBRARIES dsp tessor norv mp3)
set(installed)
foreach(lib IN LISTS ORVANE_LIBRARIES)
  list(APPEND installed ${lib} ${lib}_static)
endforeach()
install(TARGETS ${installed} EXPORT OrvaneTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
file(GLOB public_headers ${PROJECT_SOURCE_DIR}/include/orvane/*.h)
install(FILES ${public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane)
install(TARGETS orvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/orvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The .pc files find the prefix from where they lie, so an installed tree may be moved; their Libs
# carry a run path to the libraries, so a program built against any prefix starts as it is.
file(RELATIVE_PATH ORVANE_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ORVANE_PC_TO_PREFIX "${ORVANE_PC_TO_PREFIX}")
foreach(pc orvane-dsp orvane-tessor orvane-norv orvane-mp3)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Orvane)
install(EXPORT OrvaneTargets NAMESPACE Orvane:: DESTINATION ${cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvaneConfig.cmake INSTALL_DESTINATION ${cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvaneConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvaneConfig.cmake ${PROJECT_BINARY_DIR}/OrvaneConfigVersion.cmake
  DESTINATION ${cmake_dir})

# `cpack` in the build folder makes a Debian package installing under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvane developers <orvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MPEG audio player engine and audio effects: libraries, headers and the orvane tool")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# PortAudio is loaded only when a sound device is opened, so the package recommends it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libportaudio2)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
