#!/bin/sh
# Builds the program and starts it.
set -e
cd "$(dirname "$0")/.."
./scripts/build.sh
exec ./build/bin/quillbook "$@"
