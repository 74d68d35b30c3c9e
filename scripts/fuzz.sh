#!/bin/sh
# Builds the fuzz targets with clang and runs each for a while (default 60 s).
set -e
cd "$(dirname "$0")/.."
./scripts/deps.sh
command -v clang++-14 >/dev/null || apt-get install -y -qq clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DQB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_ledger_file fuzz_snapshot fuzz_import_line
for t in fuzz_ledger_file fuzz_snapshot fuzz_import_line; do
    mkdir -p build-fuzz/corpus/$t
    ./build-fuzz/bin/$t -max_total_time="${1:-60}" -max_len=4096 build-fuzz/corpus/$t
done
