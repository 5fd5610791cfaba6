# Installing and packaging the game: `cmake --install BUILD --prefix P` puts
# the game, the replay tool, the pictures, a desktop entry with its AppStream
# description, icons, manual pages and the recordings' format under P;
# `cpack -G DEB` in the build folder makes the Debian package.
include(GNUInstallDirs)

set(VELMORA_MAINTAINER "Velmora developers <velmora@example.org>" CACHE STRING "Maintainer named in packages")

# The pictures beside the build's executable too, so the build tree plays
# from any folder just as an installed game does.
file(GLOB velmora_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/img/*.tga)
foreach(picture IN LISTS velmora_pictures)
  get_filename_component(name ${picture} NAME)
  configure_file(${picture} ${PROJECT_BINARY_DIR}/img/${name} COPYONLY)
endforeach()

# The sounds likewise, beside the pictures.
file(GLOB velmora_sounds CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/sounds/*.wav)
foreach(sound IN LISTS velmora_sounds)
  get_filename_component(name ${sound} NAME)
  configure_file(${sound} ${PROJECT_BINARY_DIR}/sounds/${name} COPYONLY)
endforeach()

# The icons: a tooth with a bacterium, drawn by the picture generator.
set(velmora_icon_sizes 48 128 256)
set(velmora_icons)
foreach(size IN LISTS velmora_icon_sizes)
  list(APPEND velmora_icons ${PROJECT_BINARY_DIR}/icons/velmora-${size}.png)
endforeach()
if(TARGET make-pictures)
  add_custom_command(OUTPUT ${velmora_icons}
    COMMAND make-pictures --icons ${PROJECT_BINARY_DIR}/icons
    DEPENDS make-pictures
    COMMENT "Drawing the icons")
  add_custom_target(velmora_icons ALL DEPENDS ${velmora_icons})
  foreach(size IN LISTS velmora_icon_sizes)
    install(FILES ${PROJECT_BINARY_DIR}/icons/velmora-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME velmora.png)
  endforeach()
endif()

install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET velmora-replay)
  install(TARGETS velmora-replay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${velmora_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/img)
install(FILES ${velmora_sounds} DESTINATION ${CMAKE_INSTALL_DATADIR}/velmora/sounds)
# The desktop entry and what software centres show of the game share one
# reverse-DNS name, after the maintainer's domain.
set(VELMORA_APP_ID org.example.velmora)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${VELMORA_APP_ID}.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/packaging/${VELMORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(page velmora velmora-replay)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.6.in ${PROJECT_BINARY_DIR}/packaging/${page}.6 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${page}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog
  ${PROJECT_SOURCE_DIR}/docs/recordings.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora)

# The Debian package: velmora_<version>_amd64.deb, installing under /usr,
# with the programs in /usr/games as Debian keeps its games (they still find
# their pictures in ../share/velmora).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "the Velmora developers")
set(CPACK_PACKAGE_CONTACT "${VELMORA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small arcade game set in a mouth")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmora shows a mouth with eleven teeth and three pieces of food.
Drag the food onto a tooth with the mouse and bacteria breed there and wear
the tooth down until it falls out, while a toothbrush and a drill come on
their own timers to clean up. There is no score and no end.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_layout.cmake)
include(CPack)
