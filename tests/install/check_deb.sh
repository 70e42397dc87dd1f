#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with CPack and checks what apt would install: the files under /usr,
# and a Depends line that brings libVLC's plugins and the movie's QML modules.
#   check_deb.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 app_id=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" > cpack.log) ||
    { cat "$out/cpack.log"; exit 1; }
debs=("$out"/movarin_*.deb)
[[ -f "${debs[0]}" ]] || { echo "FAIL: no movarin_*.deb"; ls "$out"; exit 1; }
deb=${debs[0]}

failed=0
fail() { echo "FAIL: $*"; failed=1; }

[[ "$(dpkg-deb -f "$deb" Package)" == movarin ]] || fail "package name"
depends=", $(dpkg-deb -f "$deb" Depends),"
for p in libvlc5 vlc-plugin-base libqt6widgets6 libqt6quick6 libqt6quickwidgets6 libqt6qml6 \
         qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts \
         qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml-workerscript; do
    [[ "$depends" =~ [,\ ]$p[\ ,] ]] || fail "Depends lacks $p: $depends"
done

listing=$(dpkg-deb -c "$deb")
for f in ./usr/lib/movarin/movarin ./usr/lib/movarin/main.qml ./usr/lib/movarin/Formats.ini \
         ./usr/lib/movarin/help.html ./usr/share/applications/$app_id.desktop \
         ./usr/share/metainfo/$app_id.metainfo.xml ./usr/share/icons/hicolor/scalable/apps/movarin.svg \
         ./usr/share/man/man1/movarin.1.gz "./usr/bin/movarin -> ../lib/movarin/movarin"; do
    grep -qF -- "$f" <<< "$listing" || fail "the package lacks $f"
done
exit $failed
