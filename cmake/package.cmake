# The Debian package (scripts/package.sh): CPack's DEB generator over every
# install() rule of the build. A program that a CMakeLists installs with
#   install(TARGETS <program> RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# is in the package with no change here; its library dependencies are
# computed from the binaries (dpkg-shlibdeps).
include(GNUInstallDirs)

# Where VLC 3 looks for Lua interfaces of every user on Debian: the
# system's VLC plugin folder (vlc-plugin-base owns it). A per-user copy in
# ~/.local/share/vlc/lua/intf/ is found first and wins over this one.
set(STANZO_VLC_LUA_INTF_DIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}/vlc/lua/intf"
    CACHE STRING "Where the bridge is installed, under the prefix")
install(FILES vlc/intf/stanzo_bridge.lua DESTINATION ${STANZO_VLC_LUA_INTF_DIR})
# The picture the default launch command plays under the overlays.
install(FILES vlc/stanzo_black.png DESTINATION ${CMAKE_INSTALL_DATADIR}/stanzo)
# Debian's policy files: the copyright file, and the changelog and the
# manual pages compressed as Debian expects them (gzip -n: no time stamp,
# so the package is reproducible).
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/stanzo)
find_program(STANZO_GZIP gzip REQUIRED)
set(stanzo_gzipped)
foreach(entry "changelog|changelog.gz|${CMAKE_INSTALL_DATADIR}/doc/stanzo"
              "stanzo.1|stanzo.1.gz|${CMAKE_INSTALL_MANDIR}/man1"
              "stanzo-stage.1|stanzo-stage.1.gz|${CMAKE_INSTALL_MANDIR}/man1"
              "stanzo-songs.1|stanzo-songs.1.gz|${CMAKE_INSTALL_MANDIR}/man1")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 source)
  list(GET entry 1 name)
  list(GET entry 2 destination)
  set(output ${CMAKE_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${STANZO_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/${source} > ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${source} VERBATIM)
  list(APPEND stanzo_gzipped ${output})
  install(FILES ${output} DESTINATION ${destination})
endforeach()
add_custom_target(stanzo_package_docs ALL DEPENDS ${stanzo_gzipped})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stanzo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live lyric console for VLC overlays")
# The synopsis comes from the summary; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Stanzo presents song lyrics line by line as text overlays in a running\n"
    "VLC media player, one press per line, over VLC's remote-control\n"
    "connection. It also sends setup commands, switches cameras and starts\n"
    "the player. The package holds the console, the rehearsal stage\n"
    "stanzo-stage (the overlays in a window or a web page, without VLC), the\n"
    "song file converter stanzo-songs and the Lua interface that lets VLC 3\n"
    "take the console's commands.")
# CPack joins list items with ";": keep the description one string.
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(STANZO_MAINTAINER "Stanzo developers <stanzo@example.org>"
    CACHE STRING "The package's maintainer, as Debian writes it")
set(CPACK_PACKAGE_CONTACT "${STANZO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Edit Cameras falls back to sensible-editor, and at last to xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "sensible-utils")
# VLC is the player the console drives, but the stage works without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS 
    "vlc-bin, vlc-plugin-base, vlc-plugin-video-output, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "vlc")
# Directories 755, files 644, programs 755, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
