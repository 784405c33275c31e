# The Debian package: `cpack -G DEB` in a Release build (scripts/package.sh). It installs
# under /usr; its setup makes the shared database folder /var/lib/vemora.
set(CPACK_PACKAGE_NAME vemora)
set(CPACK_PACKAGE_VENDOR Kelvo)
set(CPACK_PACKAGE_CONTACT "Kelvo <kelvo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "organizer for several people sharing one computer")
set(CPACK_PACKAGE_DESCRIPTION
  "Each person logs in and keeps an address book, a diary, a planner, a shared dictionary and a
media-player tab with playlist files; every module prints through a report preview. A second
program lets the administrator write a compacted copy of the database or restore one;
vemora-cli checks, backs up and restores it from a console or a nightly timer.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the SQLite driver, the X11 and
# Wayland platform plugins, the SVG icon engine, the decoders and the report fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, qt6-qpa-plugins, libqt6svg6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-dejavu-core, fonts-liberation, fonts-urw-base35, adduser")
# Spell checking needs a dictionary; any Hunspell one will do.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-en-us | hunspell-dictionary")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/resources/debian/postinst ${CMAKE_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
