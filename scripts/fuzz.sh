#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang into build-fuzz/ (the core library
# instrumented as well) and runs each for a while, default 60 s, starting
# from a copy of its seed corpus in fuzz/corpus/<target>/, so the repository
# stays as it is. Stops with a failure at the first crash or sanitizer
# report; the input that caused it is kept in build-fuzz/artifacts/.
# The statement readers' targets run at most QB_FUZZ_READER_SECONDS
# (default 30 s) so CI stays within its time, and take inputs up to 16 KB
# so whole spreadsheet files fit.
#   scripts/fuzz.sh [SECONDS [TARGET...]]
set -e
cd "$(dirname "$0")/.."
# Paths below the checkout count relative in the compiler cache, and the
# build folder's own path is left out of its key (it only names the folder
# in the debug information), so another checkout of the same tree (CI's, a
# second work tree) finds what this one built.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR=1
./scripts/deps.sh
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_ledger_file fuzz_snapshot fuzz_config fuzz_import_line fuzz_text fuzz_xlsx fuzz_xls fuzz_html fuzz_statement"}
reader_seconds=${QB_FUZZ_READER_SECONDS:-30}
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DQB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_targets
# Leaks inside the libraries we read with (scripts/lsan.supp) are not ours.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
for t in $targets; do
    mkdir -p "$work/$t"
    cp fuzz/corpus/"$t"/* "$work/$t/"
    dict=""
    [ -f fuzz/"$t".dict ] && dict="-dict=fuzz/$t.dict"
    rm -f build-fuzz/artifacts/"$t"-*
    run_seconds=$seconds
    max_len=4096
    case $t in
    fuzz_xlsx | fuzz_xls | fuzz_html | fuzz_statement)
        [ "$run_seconds" -gt "$reader_seconds" ] && run_seconds=$reader_seconds
        max_len=16384
        ;;
    esac
    status=0
    ./build-fuzz/bin/"$t" -max_total_time="$run_seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$t"- $dict "$work/$t" \
        >"$work/$t.log" 2>&1 || status=$?
    # The progress lines are many; the summary, the statistics and any
    # report are what the log needs.
    grep -v '^#[0-9]' "$work/$t.log" || true
    grep '^#[0-9]' "$work/$t.log" | tail -n 1
    if [ "$status" -ne 0 ]; then
        echo "== $t: FAILED (status $status); input kept in:" build-fuzz/artifacts/"$t"-*
        exit 1
    fi
    echo "== $t: passed $run_seconds s"
done
