// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a fuzz target checks, shared by its two builds: under libFuzzer a
// failed property stops the run like a crash (the input is kept); in the
// core tests, which replay the seed corpora and every input that once
// failed, it throws so the test reports it and goes on.
#include <cstddef>
#include <stdexcept>

#ifdef QB_FUZZ_REPLAY
struct FuzzPropertyFailed : std::runtime_error {
    FuzzPropertyFailed() : std::runtime_error("fuzz target property failed") {}
};
template <class T>
void check(const T& ok)
{
    if (!ok)
        throw FuzzPropertyFailed();
}
#define QB_FUZZ_TARGET(name) int name(const unsigned char* data, std::size_t size)
#else
template <class T>
void check(const T& ok)
{
    if (!ok)
        __builtin_trap();
}
#define QB_FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
#endif
