# What `cmake --install` puts in place, and the Debian package CPack makes of it.
#   bin/varnel                                      the program (the command line)
#   share/man/man1/varnel.1.gz                      its manual page
#   share/doc/varnel/changelog.gz, copyright        Debian's changelog (a native package's)
#                                                   and the machine-readable copyright file
# and with the windows:
#   libexec/varnel/varnel-windows                   the windows, which varnel starts
#   share/applications/org.varnel.Varnel.desktop    the menu entry
#   share/metainfo/org.varnel.Varnel.metainfo.xml   the AppStream description
#   share/icons/hicolor/{scalable,NxN}/apps/        the icon, as SVG and as PNG files
#   share/varnel/vr.hlp                             the help F1 opens
set(VARNEL_APP_ID org.varnel.Varnel)

install(TARGETS varnel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VARNEL_BUILD_UI)
  install(TARGETS varnel-windows RUNTIME DESTINATION ${VARNEL_INSTALL_WINDOWSDIR})
endif()

# The manual page and the changelog are installed compressed, as Debian wants them: gzip -9 at
# its best, and -n so that the files carry no name or time and the package builds the same twice.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed_docs "")
foreach(doc varnel.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${doc}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/packaging/${doc} > ${CMAKE_BINARY_DIR}/packaging/${doc}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${doc}
    COMMENT "Compressing ${doc}")
  list(APPEND compressed_docs ${CMAKE_BINARY_DIR}/packaging/${doc}.gz)
endforeach()
add_custom_target(varnel_docs ALL DEPENDS ${compressed_docs})
install(FILES ${CMAKE_BINARY_DIR}/packaging/varnel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(VARNEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/varnel)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/copyright
  DESTINATION ${VARNEL_INSTALL_DOCDIR})

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
# Debian shows the extended description in 80 columns, each line indented by one: 79 at most.
set(CPACK_PACKAGE_DESCRIPTION
  "Varnel views, launches, deletes and saves the typed-address histories of\n\
Netscape Communicator and Internet Explorer installed in a Wine prefix, shows\n\
and switches the default browser, shows Netscape bookmarks and Internet\n\
Explorer favorites and copies entries between them, from one window or the\n\
command line. It finds the Wine prefixes of winetricks, Bottles, PlayOnLinux,\n\
Lutris and Steam.")
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
