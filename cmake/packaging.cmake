# The Debian package: `make package` (a Release build with tests and benchmarks off, installed
# under /usr) runs `cpack -G DEB` and gets ostrevan_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME ostrevan)
set(CPACK_PACKAGE_VENDOR Quillanor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "countdown timer with an alarm")
set(CPACK_PACKAGE_CONTACT "${OSTREVAN_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

# Debian's own file name: ostrevan_2.1_amd64.deb.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${OSTREVAN_WEB_ADDRESS})
# The linked libraries come from dpkg-shlibdeps. Named here: SDL2_mixer, which the program
# loads when the first sound plays (so dpkg-shlibdeps cannot see it), Qt's Wayland platform
# plugin (loaded on a Wayland session), the soundfont MIDI alarms play through and the font
# that draws the digits.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-mixer-2.0-0, qt6-wayland, timgm6mb-soundfont, fonts-dseg")
# The web and mail links open through xdg-open; without it they do nothing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Files root-owned and 0644/0755 in the control archive, as dpkg-deb itself would make them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The extended description; CPack puts the summary above it and indents every line, "." is
# an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ostrevan counts down hours, minutes and seconds in large digits and, at
zero, brings its window into view, flashes an Alarm Off button and plays a
sound file of your choice (MP3, MIDI or WAV) until you press it.
.
It keeps presets of the times you use often, offers a small and a large
window with a choice of colours, and shows the time left in the
notification area.")

include(CPack)
