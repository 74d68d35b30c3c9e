#!/bin/sh
# Builds and runs the benchmarks (speed and memory targets are measured here).
set -e
cd "$(dirname "$0")/.."
BUILD_TYPE=Release ./scripts/build.sh
for b in build/benchmarks/bench_*; do
    [ -x "$b" ] || continue
    echo "== $b"
    /usr/bin/time -v "$b" "$@" 2>&1 | grep -v -E '^\s+(Average|Exit|Swaps|File system|Socket|Signals|Page size|Voluntary|Involuntary|Minor|Major|Percent|System time|User time)'
done
