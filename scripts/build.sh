#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds into build/ (program folder: build/bin/).
set -e
cd "$(dirname "$0")/.."
# Paths below the checkout count relative in the compiler cache, and the
# build folder's own path is left out of its key (it only names the folder
# in the debug information), so another checkout of the same tree (CI's, a
# second work tree) finds what this one built.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR=1
./scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build build -j"$(nproc)"
