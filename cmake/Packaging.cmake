# The Debian package (`make package`): what `cmake --install` puts under /usr, plus the licence
# and changelog Debian wants beside every package, with its dependencies worked out from the
# libraries the programs link.
include_guard(GLOBAL)

set(VELK_PACKAGE_NAME velk-checkers)
set(VELK_PACKAGE_MAINTAINER "Quorvane <velk-checkers@quorvane.com>"
    CACHE STRING "The Maintainer field of the Debian package: a name and an e-mail address")
set(VELK_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VELK_PACKAGE_NAME})

# The changelog's entry carries the date of this version's AppStream release, so that building the
# same version twice gives the same package.
file(READ ${VELK_DESKTOP_DIR}/${VELK_APP_ID}.metainfo.xml VELK_METAINFO)
string(REGEX MATCH "<release version=\"${PROJECT_VERSION}\" date=\"([0-9-]+)\"" _ "${VELK_METAINFO}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "The AppStream metainfo has no release ${PROJECT_VERSION}: add it with its date")
endif()
execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_1} 12:00:00" OUTPUT_VARIABLE VELK_RELEASE_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/resources/package/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)

# Debian wants manual pages and changelogs compressed, and without a time stamp inside, so that
# the same sources give the same package; man reads them compressed from any prefix.
set(VELK_COMPRESSED)
foreach(source ${VELK_DESKTOP_DIR}/velk-checkers.6 ${VELK_DESKTOP_DIR}/velk-checkers-engine.6
               ${CMAKE_BINARY_DIR}/doc/changelog)
  get_filename_component(name ${source} NAME)
  set(target ${CMAKE_BINARY_DIR}/doc/${name}.gz)
  add_custom_command(OUTPUT ${target} COMMAND gzip -9nc ${source} > ${target} DEPENDS ${source} VERBATIM)
  list(APPEND VELK_COMPRESSED ${target})
endforeach()
add_custom_target(velk_compressed_docs ALL DEPENDS ${VELK_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/doc/velk-checkers.6.gz ${CMAKE_BINARY_DIR}/doc/velk-checkers-engine.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${VELK_PACKAGE_DOC_DIR})
# The programs stay in /usr/bin, where every user's PATH finds them (root's has no /usr/games),
# and lintian is told so.
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${VELK_PACKAGE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VELK_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT ${VELK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "English draughts (checkers) for the desktop")
# Lines as they appear in the package's description, which Debian wants under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "\
Velk Checkers is English draughts on an 8 x 8 board: twelve men a side,
compulsory captures, men moving forward and kings moving one square in every
diagonal direction. One or two people play; the computer takes either side,
both or neither, at three skill levels or a depth of your choice, and suggests
moves, analyses games and plays matches between its levels.

Games are saved in the program's own files or as PDN. The package also holds
velk-checkers-engine, which analyses positions and PDN games from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The pictures are SVG, drawn by Qt's SVG icon engine, a plugin loaded at run time that no
# library dependency reveals; the sound and the windowing plugins come with the Qt Multimedia and
# Qt GUI libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
# Without the Wayland plugin the game still runs on a Wayland desktop, through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
