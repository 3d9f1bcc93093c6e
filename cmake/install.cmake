# What `cmake --install` puts in place, and the Debian package CPack makes of it.
#   bin/varnel                                      the program
#   share/man/man1/varnel.1                         its manual page
# and with the windows:
#   share/applications/org.varnel.Varnel.desktop    the menu entry
#   share/metainfo/org.varnel.Varnel.metainfo.xml   the AppStream description
#   share/icons/hicolor/{scalable,NxN}/apps/        the icon, as SVG and as PNG files
#   share/varnel/vr.hlp                             the help F1 opens
set(VARNEL_APP_ID org.varnel.Varnel)

install(TARGETS varnel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/varnel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(VARNEL_BUILD_UI)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VARNEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VARNEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/help/vr.hlp DESTINATION ${VARNEL_INSTALL_HELPDIR})

  set(icon ${CMAKE_SOURCE_DIR}/resources/icons/globe.svg)
  set(icon_sizes 16 24 32 48 64 128 256)
  set(icon_dir ${CMAKE_BINARY_DIR}/icons)
  set(icon_pngs "")
  foreach(size IN LISTS icon_sizes)
    list(APPEND icon_pngs ${icon_dir}/${size}x${size}/apps/${VARNEL_APP_ID}.png)
  endforeach()
  add_executable(render_icon packaging/render_icon.cpp)
  target_link_libraries(render_icon Qt6::Svg Qt6::Gui)
  add_custom_command(OUTPUT ${icon_pngs}
    COMMAND render_icon ${icon} ${VARNEL_APP_ID} ${icon_dir} ${icon_sizes}
    DEPENDS render_icon ${icon}
    COMMENT "Rendering the icon for the icon theme")
  add_custom_target(varnel_icons ALL DEPENDS ${icon_pngs})
  set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${icon} DESTINATION ${hicolor}/scalable/apps RENAME ${VARNEL_APP_ID}.svg)
  install(DIRECTORY ${icon_dir}/ DESTINATION ${hicolor})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR "The Varnel developers")
set(CPACK_PACKAGE_CONTACT "The Varnel developers <varnel-support@lists.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manage Netscape and Internet Explorer side by side in a Wine prefix")
set(CPACK_PACKAGE_DESCRIPTION
  "Varnel views, launches, deletes and saves the typed-address histories of Netscape\n\
Communicator and Internet Explorer installed in a Wine prefix, shows and switches the default\n\
browser, shows Netscape bookmarks and Internet Explorer favorites and copies entries between\n\
them, from one window or the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://varnel.example.org/)
# Debian's names of the libraries the program links, found by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Wine runs the browsers; its free MS Sans Serif is the font the windows were laid out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine, fonts-wine")
include(CPack)
