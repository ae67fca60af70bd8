# The Debian package (bash scripts/package.sh, or `cpack -G DEB` in the build folder):
#   /usr/lib/korvane/     the program folder: korvane, psservice.exe and the installed mark
#   /usr/bin/korvane      the launcher, a link to the program (which then finds its folder)
#   /usr/share/applications/korvane.desktop and the icon in the hicolor theme
# The libraries the two programs link are found by dpkg-shlibdeps; what they load at run time
# or run as commands is declared here.
include(GNUInstallDirs)
set(KORVANE_INSTALL_DIR lib/korvane)

install(TARGETS korvane psservice RUNTIME DESTINATION ${KORVANE_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/installed-by-package DESTINATION ${KORVANE_INSTALL_DIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
file(CREATE_LINK ../lib/korvane/korvane ${CMAKE_BINARY_DIR}/packaging/korvane SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/korvane DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/app/icons/korvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR Brackwater)
set(CPACK_PACKAGE_CONTACT "Brackwater <korvane@brackwater.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor network devices, Windows services, files and drives")
# CPack puts the summary above this text as the description's first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Korvane pings the devices of a small network and checks the
services, files and drive letters of its Windows PCs, one record per
interval, and mails the addresses stored with a record that is in
trouble. It shows what it finds in its windows, in a tray icon and as
desktop notifications.")
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iputils-ping, samba-common-bin, libqt6sql6-sqlite")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

# What Debian asks of every package: its copyright, a compressed changelog and a manual page.
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in
               ${CMAKE_BINARY_DIR}/packaging/changelog.Debian @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/korvane.1 ${CMAKE_BINARY_DIR}/packaging/korvane.1
               COPYONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/changelog.Debian
                                  ${CMAKE_BINARY_DIR}/packaging/korvane.1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/korvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright
              ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvane)

include(CPack)
