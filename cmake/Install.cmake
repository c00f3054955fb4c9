# Where each host looks: the program in bin, linked into xscreensaver's and
# xsecurelock's helper folders, the settings description where the settings
# dialog reads it, a man page and the demo pictures. The .deb is made from the same rules.

install(TARGETS skyvanes RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped program: the debug data is ten times the code.
if(CMAKE_STRIP)
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded --remove-section=.comment --remove-section=.note
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/skyvanes\")")
endif()

# Relative links, so the tree works under any prefix and in a package.
set(SKYVANES_LINKS "${CMAKE_BINARY_DIR}/links")
foreach(link xscreensaver/skyvanes xsecurelock/saver_skyvanes)
  get_filename_component(folder "${CMAKE_INSTALL_LIBEXECDIR}/${link}" DIRECTORY)
  file(RELATIVE_PATH target "/prefix/${folder}" "/prefix/${CMAKE_INSTALL_BINDIR}/skyvanes")
  file(MAKE_DIRECTORY "${SKYVANES_LINKS}/${folder}")
  file(CREATE_LINK "${target}" "${SKYVANES_LINKS}/${CMAKE_INSTALL_LIBEXECDIR}/${link}" SYMBOLIC)
  install(FILES "${SKYVANES_LINKS}/${CMAKE_INSTALL_LIBEXECDIR}/${link}" DESTINATION "${folder}")
endforeach()

install(FILES resources/xscreensaver/skyvanes.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES resources/skyvanes-settings.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY resources/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/skyvanes/demo)

# Man page and package documents, compressed as Debian wants them.
find_program(GZIP gzip REQUIRED)
set(SKYVANES_DOCS "${CMAKE_BINARY_DIR}/docs")
configure_file(resources/man/skyvanes.6 "${SKYVANES_DOCS}/skyvanes.6" @ONLY)
configure_file(resources/debian/changelog "${SKYVANES_DOCS}/changelog" @ONLY)
add_custom_command(OUTPUT "${SKYVANES_DOCS}/skyvanes.6.gz" "${SKYVANES_DOCS}/changelog.gz"
  COMMAND ${GZIP} -9nf -k "${SKYVANES_DOCS}/skyvanes.6" "${SKYVANES_DOCS}/changelog"
  DEPENDS "${SKYVANES_DOCS}/skyvanes.6" "${SKYVANES_DOCS}/changelog")
add_custom_target(skyvanes_docs ALL DEPENDS "${SKYVANES_DOCS}/skyvanes.6.gz" "${SKYVANES_DOCS}/changelog.gz")
# Whoever builds only the program (scripts/demo does) can still install it and package it.
add_dependencies(skyvanes skyvanes_docs)
install(FILES "${SKYVANES_DOCS}/skyvanes.6.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES resources/debian/copyright "${SKYVANES_DOCS}/changelog.gz" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skyvanes)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyvanes)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Skyvanes developers <skyvanes@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo screen saver: your pictures fade in and out, or fly towards you")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Skyvanes shows your own pictures with OpenGL: they fade in and out at random
places and sizes, or fly out of the depth of the scene towards you. It runs as
an xscreensaver hack and as an xsecurelock saver, in a window or full screen.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The libraries come from dpkg-shlibdeps; Qt loads the WebP and TIFF decoders as plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver, xsecurelock")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
