#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs the whole test suite headless. The Debian
# package build, which compiles everything once more, is a stage of its own
# (scripts/test-package.sh); .ci/run runs it when the packaging changed.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)" -LE '^package-build$' "$@"
