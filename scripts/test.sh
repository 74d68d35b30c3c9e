#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs the whole test suite headless.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
