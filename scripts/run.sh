#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program and starts it.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
exec ./build/bin/quillbook "$@"
