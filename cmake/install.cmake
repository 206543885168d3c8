# Installing Morvane as a Linux program: the binaries in bin/, what they ship
# and only read in share/morvane/ (found from bin/ at run time), and the
# desktop's files where the desktop looks for them. `make package` builds a
# Debian package of the same tree.
include(GNUInstallDirs)

install(TARGETS morvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES dist/morvane-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/morvane-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME morvane-cli)
# Under the prefix, as udev reads /usr/lib/udev/rules.d for packages.
install(FILES device/hid/70-morvane.rules DESTINATION lib/udev/rules.d)

if(MORVANE_GUI)
  install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_BINARY_DIR}/png/ DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane/png
          PATTERN "icons" EXCLUDE PATTERN "skin.stamp" EXCLUDE)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/png/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES dist/org.morvane.Morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES dist/org.morvane.Morvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES dist/morvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvane developers <morvane@morvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the 04D9:A2A0 and 04D9:A247 gaming keyboards")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries' packages, read from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-wqy-microhei, xdg-utils")
include(CPack)
