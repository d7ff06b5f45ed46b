# Installation and the Debian package: the window program and the command
# line in bin/, the desktop menu entry and its icon. `cpack -G DEB` in the
# build directory makes tpscalc_<version>_<arch>.deb; the default data are
# built into the programs, so the package carries no data files.
include(GNUInstallDirs)

install(TARGETS tpscalc-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual pages, made at build time from the programs' own --help, and the
# bash completion (one file; bash-completion loads it by the program's name).
set(TPS_CLI_COMMANDS seed solve batch run schedule:show schedule:make chart construct psk-sweep pps-search
    stats fields schemes)
string(REPLACE ";" "," _commands "${TPS_CLI_COMMANDS}")
set(_man_cli ${CMAKE_BINARY_DIR}/man/tpscalc-cli.1)
add_custom_command(OUTPUT ${_man_cli}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tpscalc-cli> -DNAME=tpscalc-cli -DVERSION=${PROJECT_VERSION}
          "-DSUMMARY=the power supply of an electrified railway feeding zone, headless"
          "-DCOMMANDS=${_commands}" -DSEEALSO=tpscalc -DOUT=${_man_cli}
          -P ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
  DEPENDS tpscalc-cli ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
  COMMENT "Manual page of tpscalc-cli from its --help")
set(_man_pages ${_man_cli})
if(TARGET tpscalc)
  set(_man_ui ${CMAKE_BINARY_DIR}/man/tpscalc.1)
  add_custom_command(OUTPUT ${_man_ui}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tpscalc> -DNAME=tpscalc -DVERSION=${PROJECT_VERSION}
            "-DSUMMARY=the power supply of an electrified railway feeding zone, in a window"
            -DSEEALSO=tpscalc-cli -DOUT=${_man_ui} -P ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
    DEPENDS tpscalc ${CMAKE_SOURCE_DIR}/cmake/HelpToMan.cmake
    COMMENT "Manual page of tpscalc from its --help")
  list(APPEND _man_pages ${_man_ui})
endif()
add_custom_target(man-pages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tpscalc-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tpscalc-cli)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tpscalc-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tpscalc)
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
