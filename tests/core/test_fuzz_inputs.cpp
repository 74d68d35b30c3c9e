// SPDX-License-Identifier: GPL-3.0-or-later
// Every seed of the fuzz corpora and every input that once made a fuzz
// target fail, replayed through the target's own checks in the normal test
// run (tests/core/data/fuzz/<target>/ keeps the failing ones, named for
// what went wrong).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int fuzzLedgerFile(const unsigned char* data, std::size_t size);
int fuzzSnapshot(const unsigned char* data, std::size_t size);
int fuzzConfig(const unsigned char* data, std::size_t size);
int fuzzImportLine(const unsigned char* data, std::size_t size);
int fuzzText(const unsigned char* data, std::size_t size);
int fuzzXlsx(const unsigned char* data, std::size_t size);
int fuzzXls(const unsigned char* data, std::size_t size);
int fuzzHtml(const unsigned char* data, std::size_t size);
int fuzzStatement(const unsigned char* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

struct FuzzInput {
    std::string target;
    fs::path file;
};

void PrintTo(const FuzzInput& input, std::ostream* os) { *os << input.target << "/" << input.file.filename().string(); }

std::vector<FuzzInput> inputs()
{
    std::vector<FuzzInput> all;
    for (const char* folder : {QB_FUZZ_CORPUS, QB_FUZZ_REGRESSIONS}) {
        std::error_code ec;
        for (const fs::directory_entry& target : fs::directory_iterator(folder, ec)) {
            if (!target.is_directory())
                continue;
            std::vector<fs::path> files;
            for (const fs::directory_entry& f : fs::directory_iterator(target.path()))
                files.push_back(f.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files)
                all.push_back({target.path().filename().string(), f});
        }
    }
    return all;
}

class FuzzInputs : public testing::TestWithParam<FuzzInput> {};

TEST_P(FuzzInputs, PassTheTargetsChecks)
{
    using Target = int (*)(const unsigned char*, std::size_t);
    const std::string& name = GetParam().target;
    const Target target = name == "fuzz_ledger_file" ? fuzzLedgerFile
        : name == "fuzz_snapshot"                    ? fuzzSnapshot
        : name == "fuzz_config"                      ? fuzzConfig
        : name == "fuzz_import_line"                 ? fuzzImportLine
        : name == "fuzz_text"                        ? fuzzText
        : name == "fuzz_xlsx"                        ? fuzzXlsx
        : name == "fuzz_xls"                         ? fuzzXls
        : name == "fuzz_html"                        ? fuzzHtml
        : name == "fuzz_statement"                   ? fuzzStatement
                                                     : nullptr;
    ASSERT_NE(target, nullptr) << "no fuzz target " << name;
    std::ifstream in(GetParam().file, std::ios::binary);
    const std::string data(std::istreambuf_iterator<char>(in), {});
    EXPECT_NO_THROW(target(reinterpret_cast<const unsigned char*>(data.data()), data.size()))
        << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(Replayed, FuzzInputs, testing::ValuesIn(inputs()), [](const auto& info) {
    std::string name = info.param.target + "_" + info.param.file.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

} // namespace
