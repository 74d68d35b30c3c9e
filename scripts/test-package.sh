#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package built from this tree, installed into a throwaway root
# and checked (tests/package/test_package.py): run before every release and
# by .ci/run whenever the packaging, a build file or the package scripts
# changed.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -L '^package-build$' "$@"
