// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scratch folders and small file helpers shared by the core tests.
#include "core/ledger/LedgerEntry.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quilltest-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline std::string readAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void writeAll(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

inline quill::LedgerEntry makeEntry(const char* iday, const char* jkyu, double in, double inVat, double out = 0,
                                    double outVat = 0, double js = 0, double jsVat = 0)
{
    quill::LedgerEntry e;
    e.IDAY = iday;
    e.JKYU = jkyu;
    e.INMNY = in;
    e.INVAT = inVat;
    e.OTMNY = out;
    e.OTVAT = outVat;
    e.JSMNY = js;
    e.JSVAT = jsVat;
    e.TAG = "N";
    return e;
}
