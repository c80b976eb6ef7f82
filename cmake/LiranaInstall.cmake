# What `cmake --install` puts beside the program and the libraries (their own
# folders install those): the desktop entry, the icons, the MIME types of the
# list files, the AppStream metainfo, the manual page and the example user
# service; then the Debian package that cpack makes of it (docs/packaging.md).
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
install(FILES docs/service.md docs/command-line.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lirana)

# The sound-bank manager is bound by its bare name, which the dynamic loader
# looks up in the program's run path: the installed program's private
# library folder, relative to the program so that the tree can move.
file(RELATIVE_PATH _lirana_bin_to_plugins ${CMAKE_INSTALL_FULL_BINDIR} ${LIRANA_INSTALL_PLUGIN_DIR})
set_target_properties(lirana PROPERTIES INSTALL_RPATH "\$ORIGIN/${_lirana_bin_to_plugins}")

# The Debian package: `cpack` in a build tree configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/check-install makes one). The
# libraries the binaries link come from dpkg-shlibdeps; what the program
# loads at run time by name (GStreamer elements, the General MIDI
# SoundFont, the sound server's ALSA plug-in) is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lirana)
set(CPACK_PACKAGE_VENDOR Oxbelund)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "playout console of a small radio station")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(LIRANA_PACKAGE_MAINTAINER "Oxbelund <lirana@oxbelund.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LIRANA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Lirana plays a radio station's albums on air: items follow one another
without dead air, each starting a few seconds before the last one ends
while the old one fades out. Scheduled events start on time, sound buttons
fire jingles, and every start can go into a daily play log (once turned on).

The same engine runs without a window (lirana --headless) on a server,
for example as a systemd user service.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, \
gstreamer1.0-alsa, gstreamer1.0-pulseaudio, \
timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-ugly, gstreamer1.0-libav, xdg-utils, qt6-translations-l10n, qt6-wayland, \
pipewire-pulse | pulseaudio, libasound2-plugins | pipewire-alsa")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "swh-plugins, tap-plugins, lsp-plugins-ladspa, swh-lv2, pavucontrol, alsa-utils")
include(CPack)
