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
# Paths below the checkout count relative in the compiler cache, and the
# build folder's own path is left out of its key (it only names the folder
# in the debug information), so another checkout of the same tree (CI's, a
# second work tree) finds what this one built.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR=1
./scripts/deps.sh
cmake -S . -B build-asan -DQB_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=87
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
cd build-asan
# Left out: the Debian package test (it builds its own uninstrumented
# release), and the tests whose time goes to LibreOffice, Gnumeric or a
# display server rather than to our code; the normal run has them.
ctest --output-on-failure -j"$(nproc)" -LE '^(package-build|office|desktop)$' "$@"
