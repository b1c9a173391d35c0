include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS vezuved EXPORT vezuvedTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/vezuved DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT vezuvedTargets NAMESPACE vezuved:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vezuved)

configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/vezuvedConfig.cmake.in
  ${CMAKE_BINARY_DIR}/vezuvedConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vezuved)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/vezuvedConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/vezuvedConfig.cmake ${CMAKE_BINARY_DIR}/vezuvedConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vezuved)

configure_file(${CMAKE_SOURCE_DIR}/cmake/vezuved.pc.in ${CMAKE_BINARY_DIR}/vezuved.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vezuved.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
