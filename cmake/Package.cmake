# The Debian package: `cpack` in a build tree packs what `cmake --install` puts under /usr.

set(VOKA_PACKAGE_MAINTAINER "VOKA maintainers <voka-maintainers@example.org>"
    CACHE STRING "The Debian package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voka)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for Lumivox field units")
set(CPACK_PACKAGE_DESCRIPTION
    "A technician cables a Lumivox unit to a serial port, picks the port, and then
reflashes the unit's firmware through the companion updater, sends it a saved
settings image, or reads its settings back to disk.

Besides the window, console commands list the ports and move settings for
scripts and machines without a display; the unit simulator lumivox-sim lets
everything run without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VOKA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt 6 Widgets, libudev, ...) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Update" runs the updater's dialogue in a terminal window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "x-terminal-emulator | xterm")

# The documents Debian wants of every package: the copyright, and a changelog entry for this
# version (dated SOURCE_DATE_EPOCH when that is set, else at configuration).
string(TIMESTAMP VOKA_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${CMAKE_BINARY_DIR}/deb/changelog @ONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${CMAKE_BINARY_DIR}/deb/changelog
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/deb/copyright ${CMAKE_BINARY_DIR}/deb/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

include(CPack)
