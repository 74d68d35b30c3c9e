#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the benchmarks (speed and memory targets are measured here)
# in a Release build of its own, so the everyday build keeps its type.
set -e
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target bench_ledger bench_export bench_filing bench_entry_comfort bench_statement_read bench_print quillbook-cli \
    program_figures statement_figures
for b in build-bench/benchmarks/bench_*; do
    [ -x "$b" ] || continue
    echo "== $b"
    /usr/bin/time -v "$b" "$@" 2>&1 | grep -v -E '^\s+(Average|Exit|Swaps|File system|Socket|Signals|Page size|Voluntary|Involuntary|Minor|Major|Percent|System time|User time)'
done
# Whole-process figures of the command line (generated files, LibreOffice
# for comparison when installed).
./benchmarks/cli_figures.sh build-bench/bin/quillbook-cli
# In-program figures of the desktop program, offscreen: start-up, Open of a
# million entries through the Open command, the year change.
./benchmarks/program_figures.sh build-bench/benchmarks/program_figures
# 가져오기: a 100,000-row statement against a 1,000,000-entry ledger.
build-bench/benchmarks/statement_figures
