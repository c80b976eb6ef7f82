# What `cmake --install` puts beside the program and the libraries (their own
# folders install those): the desktop entry, the icons, the MIME types of the
# list files, the AppStream metainfo, the manual page, the example user
# service and the station engineer's documents. debian/ makes the Debian
# package of this install (docs/packaging.md).
# One id names the desktop entry, the icon, the metainfo and the MIME package.
set(LIRANA_APP_ID io.github.oxbelund.Lirana)
set(LIRANA_INSTALL_PLUGIN_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/lirana)

install(FILES share/applications/${LIRANA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES share/metainfo/${LIRANA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES share/mime/packages/${LIRANA_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(DIRECTORY share/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The manual page names the installed folders; man-db reads it compressed.
configure_file(share/man/lirana.1.in ${CMAKE_BINARY_DIR}/share/man/lirana.1 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/share/man/lirana.1.gz
  COMMAND gzip -9nfk ${CMAKE_BINARY_DIR}/share/man/lirana.1
  DEPENDS ${CMAKE_BINARY_DIR}/share/man/lirana.1 VERBATIM)
add_custom_target(lirana_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/share/man/lirana.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/share/man/lirana.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

configure_file(share/systemd/lirana-headless.service.in
               ${LIRANA_BUILD_SHARE_DIR}/systemd/lirana-headless.service @ONLY)
install(FILES ${LIRANA_BUILD_SHARE_DIR}/systemd/lirana-headless.service
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lirana/systemd)
# The station engineer's documents, and those they link to
# (scripts/check-doc-links checks that every link resolves once installed).
install(FILES docs/service.md docs/command-line.md docs/station.md docs/diagnostics.md
              docs/media-player-interface.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lirana)

# The sound-bank manager is bound by its bare name, which the dynamic loader
# looks up in the program's run path: the installed program's private
# library folder, relative to the program so that the tree can move.
file(RELATIVE_PATH _lirana_bin_to_plugins ${CMAKE_INSTALL_FULL_BINDIR} ${LIRANA_INSTALL_PLUGIN_DIR})
set_target_properties(lirana PROPERTIES INSTALL_RPATH "\$ORIGIN/${_lirana_bin_to_plugins}")
