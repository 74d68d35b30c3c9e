// SPDX-License-Identifier: GPL-3.0-or-later
// quillbook-cli tax: every key, in order, with the value the core computes
// for the same ledger file; usage errors.
#include "app/Cp949.h"
#include "filing/FilingFigures.h"
#include "ledger/AutRecord.h"
#include "ledger/WorkingTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace quill;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun runCli(const std::string& args)
{
    CliRun r;
    const std::string command = std::string(QB_CLI) + " " + args + " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::vector<std::pair<std::string, std::string>> lines(const std::string& out)
{
    std::vector<std::pair<std::string, std::string>> result;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        const std::string l = out.substr(start, end - start);
        const std::size_t tab = l.find('\t');
        result.emplace_back(l.substr(0, tab), tab == std::string::npos ? "<no tab>" : l.substr(tab + 1));
        start = end + 1;
    }
    return result;
}

LedgerEntry entry(const char* day, const char* etc, double in, double inVat, double out, double outVat, double js,
                  double jsVat)
{
    LedgerEntry e;
    e.IDAY = day;
    e.ETC = *encodeCp949(etc).bytes;
    e.INMNY = in;
    e.INVAT = inVat;
    e.OTMNY = out;
    e.OTVAT = outVat;
    e.JSMNY = js;
    e.JSVAT = jsVat;
    e.TAG = "N";
    return e;
}

class TaxCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quilltax-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        path_ = dir_ + "/장부.Aut";
        // A distinct value in every figure, fractions and returns included.
        const LedgerEntry rows[] = {
            entry("2024.01.15", "세계", 1000000.5, 100000, 0, 0, 0, 0),
            entry("2024.02.01", " 세금계산서 ", 0, 0, 120000, 12000, 300000, 30000),
            entry("2024.03.31", "카드", 0, 0, 45000, 4500, 0, 0),
            entry("2024.04.01", "현영", 0, 0, 0, 0, 77000, 7700),
            entry("2024.05.05", "영", 0, 0, 31000.25, 0, 0, 0),
            entry("2024.07.20", "세계", 2000000, 200000, 0, 0, 0, 0),
            entry("2024.08.08", "신용카드", 0, 0, -15000, -1500, 0, 0),
            entry("2024.10.10", "세계", -50000, -5000, 0, 0, 0, 0),
            entry("2024.11.30", "", 0, 0, 60000, 6000, 0, 0),
            entry("2024.12.01", "계산서", 0, 0, 90000, 0, 0, 0),
            entry("2024.00.01", "", 0, 0, 1, 0, 0, 0),
            entry("          ", "", 0, 0, 2, 0, 0, 0),
            entry("2023.06.06", "", 3, 0, 0, 0, 0, 0),
        };
        for (const LedgerEntry& e : rows)
            table_.appendRaw(e);
        table_.orderBy("IDAY");
        table_.open();
        ASSERT_TRUE(WriteLedgerFile(path_, table_));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string args(const std::string& rest) const { return "tax '" + path_ + "' " + rest; }

    std::string dir_, path_;
    WorkingTable table_;
};

// What the lines must be, read from the core's figures field by field.
std::vector<std::pair<std::string, std::string>> expected(const FilingFigures& f)
{
    std::vector<std::pair<std::string, std::string>> e;
    auto add = [&](const std::string& k, WideTenths v) { e.emplace_back(k, plainDecimal(v)); };
    switch (f.type) {
    case TaxpayerType::General: {
        const char* periods[] = {"q1", "q2", "q3", "q4", "h1", "h2", "year"};
        for (int p = 0; p < 7; ++p) {
            const VatFigures& v = f.vat[static_cast<std::size_t>(p)];
            const std::string k = std::string("vat.") + periods[p] + ".";
            add(k + "sales.amount", v.salesAmount);
            add(k + "sales.vat", v.salesVat);
            add(k + "invoice.amount", v.invoice.amount);
            add(k + "invoice.vat", v.invoice.vat);
            add(k + "invoice.assets", v.invoice.assets);
            add(k + "card.amount", v.card.amount);
            add(k + "card.vat", v.card.vat);
            add(k + "card.assets", v.card.assets);
            add(k + "other.amount", v.other.amount);
            add(k + "other.vat", v.other.vat);
            add(k + "deductible", v.invoice.vat + v.card.vat);
            add(k + "payable", v.salesVat - v.invoice.vat - v.card.vat);
        }
        break;
    }
    case TaxpayerType::Simplified: {
        const VatFigures& h1 = f.vat[4];
        const VatFigures& y = f.vat[6];
        add("simple.h1.supply", h1.salesAmount + h1.salesVat);
        add("simple.year.supply", y.salesAmount + y.salesVat);
        add("simple.year.purchases", y.invoice.amount + y.invoice.vat + y.card.amount + y.card.vat);
        add("simple.year.deduction", y.simpleDeduction());
        break;
    }
    case TaxpayerType::Exempt:
        add("exempt.year.revenue", f.income.revenue);
        break;
    }
    add("income.revenue", f.income.revenue);
    add("income.expenses", f.income.expenses);
    add("income.assets", f.income.assets);
    add("income.profit", f.income.revenue - f.income.expenses);
    e.emplace_back("evidence.count", std::to_string(f.evidence.size()));
    add("evidence.sum", f.evidenceSum);
    e.emplace_back("undated.count", std::to_string(f.undated.size()));
    return e;
}

} // namespace

TEST_F(TaxCommand, GeneralTaxpayerLinesMatchTheCore)
{
    const CliRun r = runCli(args("--year 2024"));
    ASSERT_EQ(r.status, 0);
    const auto got = lines(r.out);
    EXPECT_EQ(got.size(), 7u * 12 + 7);
    EXPECT_EQ(got, expected(ComputeFilingFigures(table_, 2024, TaxpayerType::General)));
    // A few read by eye, so a fault shared by core and command shows too.
    EXPECT_EQ(got.front(), std::make_pair(std::string("vat.q1.sales.amount"), std::string("1000000.5")));
    EXPECT_EQ(got[2], std::make_pair(std::string("vat.q1.invoice.amount"), std::string("420000")));
    EXPECT_EQ(got[4], std::make_pair(std::string("vat.q1.invoice.assets"), std::string("300000")));
    EXPECT_EQ(got.back(), std::make_pair(std::string("undated.count"), std::string("2")));
    // "영" 31,000.25 and the blank remark 66,000 are above the limit.
    EXPECT_EQ(got[got.size() - 2], std::make_pair(std::string("evidence.sum"), std::string("97000.25")));
    EXPECT_EQ(runCli(args("--year 2024 --type 일반")).out, r.out);
}

TEST_F(TaxCommand, SimplifiedAndExemptLinesMatchTheCore)
{
    const CliRun s = runCli(args("--type 간이 --year 2024"));
    ASSERT_EQ(s.status, 0);
    EXPECT_EQ(lines(s.out), expected(ComputeFilingFigures(table_, 2024, TaxpayerType::Simplified)));
    EXPECT_EQ(lines(s.out)[0], std::make_pair(std::string("simple.h1.supply"), std::string("1100000.5")));

    const CliRun x = runCli(args("--year 2024 --type 면세"));
    ASSERT_EQ(x.status, 0);
    EXPECT_EQ(lines(x.out), expected(ComputeFilingFigures(table_, 2024, TaxpayerType::Exempt)));
    EXPECT_EQ(lines(x.out)[0], std::make_pair(std::string("exempt.year.revenue"), std::string("2950000.5")));
}

TEST_F(TaxCommand, AYearWithoutEntriesGivesZeros)
{
    const CliRun r = runCli(args("--year 1999"));
    ASSERT_EQ(r.status, 0);
    for (const auto& [key, value] : lines(r.out))
        EXPECT_EQ(value, key == "undated.count" ? "1" : "0") << key;  // the blank date
}

TEST_F(TaxCommand, UsageErrors)
{
    for (const char* rest : {"", "--year", "--year 20x4", "--year 0", "--year 12345", "--year 2024 --type 영세",
                             "--year 2024 --month 03", "--year 2024 extra"})
        EXPECT_EQ(runCli(args(rest)).status, 2) << rest;
    EXPECT_EQ(runCli("tax --year 2024").status, 2);
    EXPECT_EQ(runCli("tax '" + dir_ + "/없는파일.Aut' --year 2024").status, 1);
}
