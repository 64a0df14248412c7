# `cpack -G DEB` in a release build makes a Debian package of what `cmake --install` installs.
# Its dependencies are computed from the programs' linked libraries (dpkg-shlibdeps).
set(LY_PACKAGE_MAINTAINER "Lyrabridge developers <lyrabridge@localhost>"
    CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME lyrabridge)
set(CPACK_PACKAGE_VENDOR "Lyrabridge developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "synchronise two iTunes music libraries")
set(CPACK_PACKAGE_CONTACT "${LY_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LY_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The extended description; CPack puts the summary above it.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Lyrabridge reads two iTunes music libraries' XML exports, pairs the tracks"
  "that are the same song in both (also when spelled a little differently) and"
  "lets you decide per song part (name, artist, album, genre, play count, last"
  "played, rating) which value both libraries keep. It writes either library"
  "back out, or puts it in the place of iTunes' own library after a time-stamped"
  "backup."
  "."
  "The package holds the desktop program, its user guide and the command-line"
  "companion lyrabridge-cli, which runs the same engine without a window.")

include(CPack)
