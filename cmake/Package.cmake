# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder makes dravonix_<version>-1_<arch>.deb:
# what `cmake --install` installs, stripped, with the shared libraries'
# packages found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME dravonix)
set(CPACK_PACKAGE_VENDOR "The Dravonix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and configuration tool for a two-channel car dash camera")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY dravonix)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Dravonix developers <dravonix@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libvlc finds its decoders and outputs as plug-ins, which no library links.
# The export's overlay draws its text in DejaVu Sans Bold (fontconfig's Sans without it).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "vlc-plugin-base, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libvlc-bin")
# The long description under the summary line; CPack indents it.
set(CPACK_PACKAGE_DESCRIPTION "Dravonix plays the recordings of a dash camera with a front and a rear
channel from its microSD card: both channels side by side, with the speed,
the GPS quality, a G-sensor graph and a map that follows the car. It edits
the camera's settings, sets its clock and reads its driving-route log. It
exports a stretch of a drive as clips, one combined video, the route as GPX
and KML, and the SHA-256 of every file written and read.

The package holds the viewer (dravonix-viewer) and its command-line
companion (dravonix).")

set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
