// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scratch folder for the fuzz targets that need real files. It lives in
// memory (/dev/shm) where there is one, so writing, syncing and renaming
// cost next to nothing and a run does thousands of executions a second
// instead of waiting for the disk.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzzfiles {

inline const std::string& folder()
{
    static const std::string path = [] {
        std::error_code ec;
        std::string base = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm"
                                                                          : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/qb-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        static const std::string removeAtExit = pattern;
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(removeAtExit, e);
        });
        return pattern;
    }();
    return path;
}

inline std::string file(const std::string& name) { return folder() + "/" + name; }

inline bool writeFile(const std::string& path, std::string_view data)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

inline std::string readFile(const std::string& path)
{
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return data;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        data.append(chunk, n);
    std::fclose(f);
    return data;
}

} // namespace fuzzfiles
