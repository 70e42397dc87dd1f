# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder gives movarin_<version>_<arch>.deb, which
# `apt install ./movarin_*.deb` installs with everything the program needs at run time.
set(CPACK_PACKAGE_NAME movarin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Movarin developers")
set(CPACK_PACKAGE_CONTACT "${MOVARIN_SUPPORT_MAIL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video converter for a queue of files")
set(CPACK_PACKAGE_DESCRIPTION
    "Movarin converts video files from one format to another. Queue any number of videos, pick \
one target format (MP4, Matroska, WebM, AVI, QuickTime, Windows Media, MPEG, Ogg, Flash video and \
more) and convert the whole queue in one run. libVLC does the transcoding.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${MOVARIN_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the executable links come from dpkg-shlibdeps (libvlc5, libqt6*6, ...);
# what is loaded at run time is named here: libVLC's transcoding and muxing plugins, the QML
# modules the movie imports (with the ones they pull in), and a font for the movie's text.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libvlc-bin keeps libVLC's plugin cache, without which every start of libVLC (each file of a
# `--batch --jobs` run is a process of its own) loads all of its plugins first.
set(MOVARIN_RUNTIME_PACKAGES
    vlc-plugin-base libvlc-bin
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml-workerscript
    fonts-dejavu-core)
list(JOIN MOVARIN_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
