# Installation and the Debian package: the window program and the command
# line in bin/, the desktop menu entry and its icon. `cpack -G DEB` in the
# build directory makes tpscalc_<version>_<arch>.deb; the default data are
# built into the programs, so the package carries no data files.
include(GNUInstallDirs)

install(TARGETS tpscalc-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tpscalc)
  install(TARGETS tpscalc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tpscalc.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tpscalc.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME tpscalc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tpscalc")
set(CPACK_PACKAGE_CONTACT "tpscalc developers <tpscalc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Power supply of an electrified railway feeding zone by the matrix method")
set(CPACK_PACKAGE_DESCRIPTION
    "tpscalc models one feeding zone of a DC or AC traction network between two\n\
substations, with trains as moving current loads, and solves it step by step:\n\
branch currents, pantograph voltages, power loss and energy. tpscalc is the\n\
window program, tpscalc-cli the same calculation for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The Qt and C++ libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window program needs a platform plug-in of the desktop (X11, Wayland),
# which no library it links names.
if(TARGET tpscalc)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6")
endif()
# The programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)
include(CPack)
