#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with AddressSanitizer and UBSan into build-asan/ and
# runs the whole test suite there, headless. Each sanitizer stops the
# program at its first report with an exit status of its own, 86 for a
# memory error or leak and 87 for undefined behaviour, which no program of
# ours uses (a plain 1 would read as the command line's own failure).
# Leaks are reported, except the ones Qt's font, input-method and
# accessibility libraries leave at exit (scripts/lsan.supp).
set -e
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-asan -DQB_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=87
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
cd build-asan
# The Debian package test builds and installs its own uninstrumented
# release build; the normal run covers it.
ctest --output-on-failure -j"$(nproc)" -E '^package\.debian_package$' "$@"
