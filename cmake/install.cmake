# SPDX-License-Identifier: MIT
# Installing Morvane as a Linux program: the binaries in bin/, what they ship
# and only read in share/morvane/ (found from bin/ at run time), and the
# desktop's files where the desktop looks for them. `make package` builds a
# Debian and an RPM package of the same tree.
include(GNUInstallDirs)

set(MORVANE_PACKAGER "Morvane developers <morvane@morvane.org>")
set(MORVANE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/morvane)

# The releases of CHANGELOG.md, in the forms the packages and the metainfo want.
foreach(form debian rpm metainfo)
  execute_process(COMMAND sh ${CMAKE_SOURCE_DIR}/tools/package/changelog.sh ${CMAKE_SOURCE_DIR}/CHANGELOG.md ${form}
                          ${MORVANE_PACKAGER}
                  OUTPUT_VARIABLE MORVANE_CHANGELOG_${form} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS CHANGELOG.md tools/package/changelog.sh)
set(RELEASES "${MORVANE_CHANGELOG_metainfo}")
configure_file(dist/org.morvane.Morvane.metainfo.xml.in ${CMAKE_BINARY_DIR}/dist/org.morvane.Morvane.metainfo.xml
               @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/dist/changelog.Debian "${MORVANE_CHANGELOG_debian}")
file(WRITE ${CMAKE_BINARY_DIR}/dist/changelog.rpm "${MORVANE_CHANGELOG_rpm}")

# Manual pages and the Debian changelog go compressed, as packages carry them.
set(MORVANE_GZIPPED)
foreach(source dist/morvane-cli.1 dist/morvane.1 ${CMAKE_BINARY_DIR}/dist/changelog.Debian)
  get_filename_component(name ${source} NAME)
  get_filename_component(input ${source} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/dist/${name}.gz
                     COMMAND gzip -9nc ${input} > ${CMAKE_BINARY_DIR}/dist/${name}.gz
                     DEPENDS ${input} VERBATIM)
  list(APPEND MORVANE_GZIPPED ${CMAKE_BINARY_DIR}/dist/${name}.gz)
endforeach()
add_custom_target(morvane_dist_files ALL DEPENDS ${MORVANE_GZIPPED})

install(TARGETS morvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/dist/morvane-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/morvane-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME morvane-cli)
install(FILES dist/morvane-cli.zsh DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions RENAME _morvane-cli)
install(FILES dist/morvane-cli.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
# Under the prefix, as udev reads /usr/lib/udev/rules.d for packages.
install(FILES device/hid/70-morvane.rules DESTINATION lib/udev/rules.d)
install(FILES dist/copyright NOTICE DESTINATION ${MORVANE_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/dist/changelog.Debian.gz DESTINATION ${MORVANE_DOCDIR})
# What lintian reports that is meant, each with its reason.
install(FILES dist/lintian/morvane DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

if(MORVANE_GUI)
  install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_BINARY_DIR}/png/ DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane/png
          PATTERN "icons" EXCLUDE PATTERN "skin.stamp" EXCLUDE)
  # Pictures alike byte for byte (a Chinese one without text is the English
  # one) are installed once and linked.
  install(CODE "execute_process(COMMAND sh ${CMAKE_SOURCE_DIR}/tools/package/link_same_pictures.sh
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/morvane/png\" COMMAND_ERROR_IS_FATAL ANY)")
  install(DIRECTORY ${CMAKE_BINARY_DIR}/png/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES dist/org.morvane.Morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/dist/org.morvane.Morvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_BINARY_DIR}/dist/morvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES docs/main-window.png DESTINATION ${MORVANE_DOCDIR}/screenshots)
endif()

set(CPACK_GENERATOR DEB RPM)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane developers")
set(CPACK_PACKAGE_CONTACT "${MORVANE_PACKAGER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configure the 04D9:A2A0 and 04D9:A247 gaming keyboards")
set(CPACK_PACKAGE_DESCRIPTION
    "Morvane configures the USB gaming keyboards 04D9:A2A0 (full size) and
04D9:A247 (87 keys): lighting effects with speed, brightness and direction,
per-key lighting maps, key assignments (other keys, combinations, macros,
media functions, programs to start), recorded macros, game mode, Win lock,
response time, report rate and named profiles. Every save is read back from
the keyboard. It lives in the system tray and comes with morvane-cli, which
does from a shell everything the window does.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# What ships is stripped; the debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Packaged from the upstream tree, as a distribution does: revision 1.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages, read from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-wqy-microhei, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# Fedora's names for what the Debian package recommends.
set(CPACK_RPM_PACKAGE_SUGGESTS "liberation-sans-fonts, wqy-microhei-fonts, xdg-utils")
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_BINARY_DIR}/dist/changelog.rpm)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${MORVANE_PACKAGER}")
# Folders other packages own are not claimed.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/lib/udev /usr/lib/udev/rules.d /usr/share/applications /usr/share/bash-completion
    /usr/share/bash-completion/completions /usr/share/doc /usr/share/fish /usr/share/fish/vendor_completions.d
    /usr/share/icons /usr/share/icons/hicolor /usr/share/lintian /usr/share/lintian/overrides /usr/share/man /usr/share/man/man1 /usr/share/metainfo
    /usr/share/zsh /usr/share/zsh/vendor-completions)
foreach(size 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256 scalable)
  list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/icons/hicolor/${size}
       /usr/share/icons/hicolor/${size}/apps)
endforeach()
include(CPack)
