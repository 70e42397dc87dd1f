#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Movarin with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
# The layout is checked first: a deviation fails in seconds, before the build.
bash scripts/check-format.sh
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVARIN_WERROR=ON \
    -DMOVARIN_BUILD_TESTS=ON -DMOVARIN_BUILD_BENCH=ON -DMOVARIN_BUILD_TOOLS=ON
cmake --build build-tests
cd build-tests
# Widgets and the movie run offscreen; the single-instance test starts its own Xvfb.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
