# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (cpack -G DEB, or `make package`): what `cmake --install`
# puts under /usr, with the libraries' packages found by dpkg-shlibdeps and
# the packages the program uses at run time that are not libraries.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rutomia)
set(CPACK_PACKAGE_VENDOR "The Rutomia developers")
set(CPACK_PACKAGE_CONTACT "The Rutomia developers <rutomia@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "fare display board and control panel of a Japanese route bus")
# Lines of the long description stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "ルトミア simulates the fare display board at the front of a Japanese
route bus and the driver's control panel that operates it: the fares for
every ticket number in seven-segment digits, the next stop's name on a
dot-matrix display, chimes, announcements and a numbered-ticket preview.
Demo routes are included, and the tools rutomia-hy3tool (fare data from
CSV and GTFS-JP) and rutomia-plgtool (ticket plugins).")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Faces of the digits, ticket numbers and stop names; Qt's Japanese texts; the
# General MIDI sounds for MIDI files.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-dseg, fonts-dejavu-core, fonts-unifont, fonts-ipafont-gothic, \
fonts-ipafont-mincho, qt6-translations-l10n, timgm6mb-soundfont")
# Speech for the announcements is optional; the HTS voice is in contrib.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "open-jtalk, open-jtalk-mecab-naist-jdic, espeak-ng-data")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "hts-voice-nitech-jp-atr503-m001")

include(CPack)
