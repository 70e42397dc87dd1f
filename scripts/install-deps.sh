#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Movarin needs that are not there yet.
#   install-deps.sh          what building and running need
#   install-deps.sh --tests  and what the tests need too
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-declarative-dev
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml-workerscript
    libgl-dev libxcb1-dev libvlc-dev vlc-plugin-base
    # vlc-cache-gen: keeps libVLC's plugin cache (plugins.dat) up to date. Without it every
    # process that starts libVLC loads each of its plugins to learn what it offers: about
    # 0.35 CPU s, where the cache takes 0.01.
    libvlc-bin
    fonts-dejavu-core
)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(libgtest-dev libgmock-dev ffmpeg xvfb xauth dbus-daemon)
    # The C++ layout check (clang-format 14 on Debian 12).
    packages+=(clang-format)
    # The installed application and its package: the desktop's validators, its MIME database,
    # and dpkg-shlibdeps for `cpack -G DEB`.
    packages+=(desktop-file-utils appstream shared-mime-info dpkg-dev)
    # The manual page, rendered with groff and found with man.
    packages+=(groff-base man-db)
    # Schedulers that run the batch command: GNU parallel, and a one-node Slurm cluster with munge.
    packages+=(parallel munge slurmctld slurmd slurm-client)
    # The catalogue test plays every output in GStreamer too, as GNOME's players would.
    packages+=(gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
               gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav)
    # gst-discoverer-1.0, which lists a file's streams in GStreamer's order with their tags.
    packages+=(gstreamer1.0-plugins-base-apps)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
