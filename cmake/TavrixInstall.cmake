# Installs libtavrix as a package: the library, the umbrella header
# <tavrix/tavrix.h> with the module headers it includes, a CMake package
# (find_package(Tavrix), target Tavrix::tavrix) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS tavrix EXPORT TavrixTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/tavrix/tavrix.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrix)
install(FILES platform/platform.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrix/platform)
foreach(module runtime datastore database)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${module}/*.h)
  install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrix/${module})
endforeach()

set(TAVRIX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavrix)
install(EXPORT TavrixTargets NAMESPACE Tavrix:: DESTINATION ${TAVRIX_CMAKE_DIR})
configure_package_config_file(cmake/TavrixConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/TavrixConfig.cmake
                              INSTALL_DESTINATION ${TAVRIX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TavrixConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TavrixConfig.cmake ${CMAKE_BINARY_DIR}/TavrixConfigVersion.cmake
        DESTINATION ${TAVRIX_CMAKE_DIR})

if(NOT WIN32)
  file(RELATIVE_PATH TAVRIX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  configure_file(cmake/tavrix.pc.in ${CMAKE_BINARY_DIR}/tavrix.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/tavrix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
