# A Debian package of what `cmake --install` puts in /usr (scripts/package builds it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drapello)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_CONTACT "Drapello developers <drapello@korvane.nl>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.korvane.nl/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "change the background of the Messenger contact list")
# The summary above is the synopsis; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Drapello downloads a catalogue of skins from a skin server, shows it as a
tree, previews the skin you click, and installs it as the background of the
MSN or Windows Messenger contact list, with Messenger running under Wine.
It can also remove the installed background, install a GIF picture from
disk, and fetch the catalogue afresh.

The package also holds drapello-catalogue, which builds the files of a skin
server from a folder of pictures.")
# Qt's libraries come from dpkg-shlibdeps. libcurl is loaded at the first download, Qt's X11
# platform plugin at start, and the windows are laid out for Liberation Sans: none of them shows
# up as a link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0), qt6-qpa-plugins, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine64 | wine, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
