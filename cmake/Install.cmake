# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts in place: both programs, the desktop entry, the
# AppStream metadata, the icon (SVG and the hicolor PNG sizes), the manual
# pages and the licence.
include(GNUInstallDirs)

set(desktop_source ${PROJECT_SOURCE_DIR}/src/resources/desktop)
set(desktop_build ${CMAKE_BINARY_DIR}/desktop)
# The screenshot the metadata shows, as the source tree's file on the web.
string(REPLACE "https://github.com/" "https://raw.githubusercontent.com/" DRAVONIX_SCREENSHOT_URL
       "${PROJECT_HOMEPAGE_URL}/main/src/resources/desktop/screenshot.png")
configure_file(${desktop_source}/dravonix.desktop.in ${desktop_build}/${DRAVONIX_APP_ID}.desktop @ONLY)
configure_file(${desktop_source}/dravonix.metainfo.xml.in ${desktop_build}/${DRAVONIX_APP_ID}.metainfo.xml @ONLY)

# Manual pages, compressed as Debian installs them.
set(man_pages)
foreach(page dravonix-viewer dravonix)
  configure_file(${PROJECT_SOURCE_DIR}/src/resources/man/${page}.1.in ${CMAKE_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/man/${page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1
    COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND man_pages ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})

# Debian wants a change log beside the licence; the release's date in mail form.
execute_process(COMMAND date -R -u -d "${DRAVONIX_RELEASE_DATE} 12:00" OUTPUT_VARIABLE DRAVONIX_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${desktop_source}/changelog.Debian.in ${CMAKE_BINARY_DIR}/doc/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/doc/changelog.Debian
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)

install(TARGETS dravonix-viewer dravonix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS dravonix-export LIBRARY DESTINATION ${DRAVONIX_MODULE_DIR})
install(FILES ${desktop_build}/${DRAVONIX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_build}/${DRAVONIX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_source}/dravonix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${DRAVONIX_APP_ID}.svg)
foreach(size ${DRAVONIX_ICON_SIZES})
  install(FILES ${DRAVONIX_ICON_DIR}/${size}x${size}/apps/${DRAVONIX_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian's place for the licence; other systems find it there too.
install(FILES ${PROJECT_SOURCE_DIR}/src/resources/desktop/copyright ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dravonix)
