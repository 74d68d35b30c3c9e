#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds into build/ (program folder: build/bin/).
set -e
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build build -j"$(nproc)"
