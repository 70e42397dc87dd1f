#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh prefix and checks that a desktop finds a complete application
# there: the program folder, the command, the menu entry, the icons and the metainfo.
#   check_install.sh BUILD_DIR APP_ID FORMATS_INI
set -euo pipefail
build=$1 app_id=$2 formats=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null

failed=0
fail() { echo "FAIL: $*"; failed=1; }

apps=share/applications/$app_id.desktop
meta=share/metainfo/$app_id.metainfo.xml
files=(lib/movarin/movarin lib/movarin/main.qml lib/movarin/Formats.ini lib/movarin/help.html
       lib/movarin/movarin.png "$apps" "$meta" share/icons/hicolor/scalable/apps/movarin.svg
       share/man/man1/movarin.1.gz)
for size in 16 22 24 32 48 64 128 256; do
    icon=share/icons/hicolor/${size}x${size}/apps/movarin.png
    files+=("$icon")
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    if [[ -f "$prefix/$icon" ]]; then
        read -r w h < <(od -An -tu1 -j16 -N8 "$prefix/$icon" |
                        awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
        [[ "$w x $h" == "$size x $size" ]] || fail "$icon is $w x $h"
    fi
done
for f in "${files[@]}"; do
    [[ -f "$prefix/$f" ]] || fail "missing $f"
done
[[ -x "$prefix/lib/movarin/movarin" ]] || fail "the program is not executable"

# The command on PATH leads to the program in its folder, where it finds its movie and catalogue.
[[ -L "$prefix/bin/movarin" ]] || fail "bin/movarin is not a symbolic link"
[[ "$(readlink -f "$prefix/bin/movarin")" == "$(readlink -f "$prefix/lib/movarin/movarin")" ]] ||
    fail "bin/movarin does not lead to lib/movarin/movarin"

desktop-file-validate "$prefix/$apps" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/$meta" || fail "appstreamcli validate"

# The manual page renders without a single warning, and man finds it under the prefix.
page=$prefix/share/man/man1/movarin.1.gz
if [[ -f "$page" ]]; then
    warnings=$(zcat "$page" | groff -ww -z -man -Tutf8 2>&1) || fail "groff cannot render movarin.1"
    [[ -z "$warnings" ]] || fail "groff warns about movarin.1: $warnings"
    MANPATH=$prefix/share/man MANWIDTH=80 man movarin 2> /dev/null | grep -q -- '--batch' ||
        fail "man movarin does not show the page"
    # It documents exactly the options that the installed batch command lists in its help.
    listed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
                 "$prefix/bin/movarin" --batch --help |
             grep -o -e '--[a-z][a-z-]*' | grep -v -x -e --batch | sort -u)
    documented=$(zcat "$page" | awk '/^\.SH / { on = ($2 == "OPTIONS"); next } on' |
                 sed 's/\\-/-/g' | grep -o -e '--[a-z][a-z-]*' | sort -u)
    [[ -n "$listed" && "$listed" == "$documented" ]] ||
        fail "the batch command lists $(echo $listed), the manual page $(echo $documented)"
fi

entry() { grep -m1 "^$1=" "$prefix/$apps" | cut -d= -f2-; }
[[ "$(entry Exec)" == "movarin %F" ]] || fail "Exec is '$(entry Exec)'"
[[ "$(entry Icon)" == "movarin" ]] || fail "Icon is '$(entry Icon)'"
[[ "$(entry GenericName)" == "Video Converter" ]] || fail "GenericName is '$(entry GenericName)'"
[[ "$(entry Categories)" == "AudioVideo;Video;" ]] || fail "Categories is '$(entry Categories)'"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$prefix/$meta" ||
    fail "the metainfo does not launch the desktop entry"
grep -q "<screenshot type=\"default\">" "$prefix/$meta" || fail "the metainfo has no screenshot"

# Every target of the catalogue is offered under the type the system's MIME database gives its
# extension, so a file manager offers Movarin for it.
mime_types=";$(entry MimeType)"
extensions=$(grep -i -m1 '^[[:space:]]*Extentions[[:space:]]*=' "$formats" | cut -d= -f2- | tr -d ' \r' | tr '|' ' ')
[[ -n "$extensions" ]] || fail "no targets read from $formats"
globs=/usr/share/mime/globs2
for ext in $extensions; do
    known=$(grep -i ":\*\\${ext}\$" "$globs" | cut -d: -f2 | grep -E '^(video/|application/vnd\.ms-asf)' || true)
    [[ -n "$known" ]] || fail "the MIME database knows no video type for $ext"
    for type in $known; do
        [[ "$mime_types" == *";$type;"* ]] || fail "MimeType lacks $type ($ext)"
    done
done

exit $failed
