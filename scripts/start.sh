#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Movarin and starts it from its program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOVARIN_BUILD_TESTS=OFF -DMOVARIN_BUILD_BENCH=OFF -DMOVARIN_BUILD_TOOLS=OFF
cmake --build build
exec build/Movarin/movarin
