// SPDX-License-Identifier: GPL-3.0-or-later
// quillbook-cli tax: every key, in order, with the value the core computes
// for the same ledger file; usage errors.
#include "core/text/Cp949.h"
#include "core/filing/FilingFigures.h"
#include "core/filing/IncomeFigures.h"
#include "core/ledger/Accounts.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/WorkingTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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
        config_ = dir_ + "/quillcfg.ini";
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
    std::string config_;  // empty unless a test writes it: no settings of the machine
    WorkingTable table_;
};

// What the lines must be: the core's return lines, as the window shows them.
std::vector<std::pair<std::string, std::string>> expected(const WorkingTable& table, int year,
                                                          const FilingSettings& settings)
{
    const std::span<const LedgerEntry> rows(&table.row(0), table.rowCount());
    const FilingFigures f = ComputeFilingFigures(rows, year, settings);
    const IncomeFigures income = ComputeIncomeFigures(rows, year, settings, IncomeSettings{});
    std::vector<std::pair<std::string, std::string>> e;
    for (const FilingReturn& r : FilingReturnsWithIncome(f, income))
        for (const FilingLine& l : r.lines)
            for (std::size_t c = 0; c < l.values.size(); ++c) {
                if (!l.values[c].amount)
                    continue;
                e.emplace_back(figureKey(r, c, l), plainDecimal(*l.values[c].amount));
                if (l.key == "prepaid")
                    e.emplace_back(figureKey(r, c, l) + ".estimated", l.values[c].estimated ? "1" : "0");
                if (!l.values[c].rate.empty())
                    e.emplace_back(figureKey(r, c, l) + ".rate", l.values[c].rate);
            }
    return e;
}

std::string valueOf(const std::vector<std::pair<std::string, std::string>>& lines, const std::string& key)
{
    for (const auto& [k, v] : lines)
        if (k == key)
            return v;
    return "<missing " + key + ">";
}

FilingSettings typed(TaxpayerType t, const char* industry = "")
{
    FilingSettings s;
    s.type = t;
    s.industry = industry;
    return s;
}

} // namespace

TEST_F(TaxCommand, EachTypesLinesMatchTheCore)
{
    struct Case {
        const char* options;
        FilingSettings settings;
    };
    FilingSettings prepaid = typed(TaxpayerType::General);
    prepaid.prepaidWon[0] = 1234;
    prepaid.prepaidWon[1] = 5678;
    FilingSettings conditions = typed(TaxpayerType::General, "음식점");
    conditions.accountantFiles = true;
    conditions.openingDay = "2024.03.01";
    conditions.lastYearRevenueWon = 1000;
    conditions.largeLastYear = true;
    const Case cases[] = {
        {"", typed(TaxpayerType::General)},
        {"--industry 음식점 --accountant --opening-day 2024.03.01 --last-year-revenue 1000 --large-last-year 예",
         conditions},
        {"--type 일반", typed(TaxpayerType::General)},
        {"--prepaid-h1 1234 --prepaid-h2 5678", prepaid},
        {"--type 간이", typed(TaxpayerType::Simplified)},
        {"--type 간이 --industry 음식점", typed(TaxpayerType::Simplified, "음식점")},
        {"--type 일반 --industry 음식점", typed(TaxpayerType::General, "음식점")},
        {"--type 면세", typed(TaxpayerType::Exempt)},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(args(std::string("--year 2024 ") + c.options + " --config '" + config_ + "'"));
        ASSERT_EQ(r.status, 0) << c.options;
        EXPECT_EQ(lines(r.out), expected(table_, 2024, c.settings)) << c.options;
    }
    // A few read by eye, so a fault shared by core and command shows too.
    const auto general = lines(runCli(args("--year 2024 --config '" + config_ + "'")).out);
    EXPECT_EQ(general.front(), std::make_pair(std::string("vat.h1.sales.invoice.amount"), std::string("1000000.5")));
    EXPECT_EQ(valueOf(general, "vat.h1.purchase.invoice_assets.amount"), "300000");
    EXPECT_EQ(valueOf(general, "vat.q1.purchase.invoice.amount"), "120000");
    EXPECT_EQ(valueOf(general, "evidence.undated.count"), "2");
    // The entries left out are the ones check reports for their dates.
    const std::string check = runCli("check '" + path_ + "'").out;
    std::size_t dateFindings = 0;
    for (std::size_t at = check.find(": date "); at != std::string::npos; at = check.find(": date ", at + 1))
        ++dateFindings;
    EXPECT_EQ(std::to_string(dateFindings), valueOf(general, "evidence.undated.count"));
    // "영" 31,000.25 and the blank remark 66,000 are above the limit.
    EXPECT_EQ(valueOf(general, "evidence.sum"), "97000.25");
    // The ledger's 2023 (3 won) makes it a 소규모사업자: no 가산세 on them.
    EXPECT_EQ(valueOf(general, "evidence.small_business"), "1");
    EXPECT_EQ(valueOf(general, "evidence.penalty"), "0");
    const auto prepaidLines = lines(runCli(args("--year 2024 --prepaid-h1 1234 --config '" + config_ + "'")).out);
    EXPECT_EQ(valueOf(prepaidLines, "vat.h1.prepaid"), "1234");
    EXPECT_EQ(valueOf(prepaidLines, "vat.h1.prepaid.estimated"), "0");
    const auto simple = lines(runCli(args("--type 간이 --industry 소매 --year 2024 --config '" + config_ + "'")).out);
    EXPECT_EQ(valueOf(simple, "simple.h1.supply"), "1100000.5");
    EXPECT_EQ(valueOf(simple, "simple.h1.tax"), "16500");  // 1,100,000.5 × 15 % × 10 %
}

TEST_F(TaxCommand, ReadsTheLedgersOwnSettingsUnlessOverridden)
{
    FilingSettings own = typed(TaxpayerType::Simplified, "숙박");
    own.prepaidWon[0] = 70000;
    own.words[static_cast<int>(EvidenceWordKind::Card)] = {"영"};
    ASSERT_TRUE(WriteFilingSettings(config_, path_, own));
    const CliRun r = runCli(args("--year 2024 --config '" + config_ + "'"));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(lines(r.out), expected(table_, 2024, own));
    // A 세금계산서 issued in 1~6월 means a 예정신고, which takes the place of
    // the 예정부과 the settings name.
    EXPECT_EQ(valueOf(lines(r.out), "simple.year.preliminary_return"), valueOf(lines(r.out), "simple.h1.payable"));
    FilingSettings overridden = own;
    overridden.type = TaxpayerType::General;
    overridden.industry = "제조";
    overridden.prepaidWon[1] = 9000;
    EXPECT_EQ(lines(runCli(args("--year 2024 --type 일반 --industry 제조 --prepaid-h2 9000 --config '" + config_ + "'"))
                        .out),
              expected(table_, 2024, overridden));
}

TEST_F(TaxCommand, HelpListsEveryKeyAndTheManualPageToo)
{
    const CliRun help = runCli("tax --help");
    ASSERT_EQ(help.status, 0);
    std::ifstream in(std::string(QB_SOURCE) + "/doc/quillbook-cli.1.scd");
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(page.empty());
    std::vector<std::string> patterns;
    for (const auto& [key, meaning] : lines(help.out)) {
        if (meaning == "<no tab>")
            continue;  // the heading
        EXPECT_FALSE(meaning.empty()) << key;
        EXPECT_NE(page.find(key), std::string::npos) << key << " is not in the manual page";
        patterns.push_back(key);
    }
    // The help page names every word the evidence is recognised by.
    std::ifstream helpIn(std::string(QB_SOURCE) + "/site/help/tallyhub/quillbook.htm");
    const std::string helpPage((std::istreambuf_iterator<char>(helpIn)), std::istreambuf_iterator<char>());
    for (int k = 0; k < kEvidenceWordKinds; ++k)
        for (const std::string& word : builtInEvidenceWords(static_cast<EvidenceWordKind>(k)))
            EXPECT_NE(helpPage.find(word), std::string::npos) << word << " is not on the help page";
    // Every key a run prints is one of them ("vat.{h1|h2|...}.payable").
    for (const char* type : {"일반", "간이", "면세"})
        for (const auto& [key, value] : lines(runCli(args(std::string("--year 2024 --type ") + type)).out)) {
            bool listed = false;
            for (const std::string& p : patterns) {
                const std::size_t open = p.find('{'), close = p.find('}');
                if (open == std::string::npos) {
                    listed = listed || p == key;
                    continue;
                }
                const std::string head = p.substr(0, open), tail = p.substr(close + 1);
                listed = listed || (key.size() > head.size() + tail.size() && key.rfind(head, 0) == 0
                                    && key.compare(key.size() - tail.size(), tail.size(), tail) == 0
                                    && key.find('.', head.size()) == key.size() - tail.size());
            }
            EXPECT_TRUE(listed) << key << " is not in tax --help";
        }
}

TEST_F(TaxCommand, AYearWithoutEntriesGivesZeros)
{
    const CliRun r = runCli(args("--year 1999 --config '" + config_ + "'"));
    ASSERT_EQ(r.status, 0);
    for (const auto& [key, value] : lines(r.out)) {
        // The limit and the deduction the law gives whatever the ledger holds.
        if (key == "income.entertainment.limit" || key == "income.tax.deductions")
            continue;
        EXPECT_EQ(value, key == "evidence.undated.count" || key.ends_with(".estimated") ? "1" : "0")
            << key;  // the blank date; 예정고지 estimated (as none)
    }
    EXPECT_EQ(valueOf(lines(r.out), "income.tax.deductions"), "1500000");
}

TEST_F(TaxCommand, UsageErrors)
{
    for (const char* rest : {"", "--year", "--year 20x4", "--year 0", "--year 12345", "--year 2024 --type 영세",
                             "--year 2024 --month 03", "--year 2024 extra", "--year 2024 --industry 없는업종",
                             "--year 2024 --prepaid-h1 12x", "--year 2024 --prepaid-h2 -5",
                             "--year 2024 --opening-day 2024.02.30", "--year 2024 --opening-day 2024-03-01",
                             "--year 2024 --last-year-revenue 1e6", "--year 2024 --large-last-year 1",
                             "--year 2024 --accountant 1"})
        EXPECT_EQ(runCli(args(rest)).status, 2) << rest;
    EXPECT_EQ(runCli("tax --year 2024").status, 2);
    EXPECT_EQ(runCli("tax '" + dir_ + "/없는파일.Aut' --year 2024").status, 1);
}

TEST_F(TaxCommand, AccountsTableAndTheIncomeOptions)
{
    const CliRun accounts = runCli("accounts");
    ASSERT_EQ(accounts.status, 0);
    std::vector<std::pair<std::string, std::string>> want;
    for (const Account& a : AccountTable())
        want.emplace_back(std::to_string(a.code), std::string(a.key) + "\t" + a.name);
    EXPECT_EQ(lines(accounts.out), want);
    EXPECT_EQ(runCli("accounts extra").status, 2);

    // 2024 revenue 2,950,000.5 (no accounts); 89.7 % of it is expenses.
    const std::string opts = "--year 2024 --config '" + config_ + "' ";
    const auto out = lines(runCli(args(opts + "--simple-rate 89.7% --opening-stock 100 --closing-stock 30")).out);
    EXPECT_EQ(valueOf(out, "income.revenue.unassigned"), "2950000");
    EXPECT_EQ(valueOf(out, "income.estimate.simple"), "303850");  // 2,950,000 - 2,950,000 × 89.7 %
    EXPECT_EQ(valueOf(out, "income.cost_of_sales"), "70");
    for (const char* bad : {"--simple-rate 90", "--standard-rate x%", "--closing-stock -1", "--opening-stock 1.5"})
        EXPECT_EQ(runCli(args(opts + bad)).status, 2) << bad;
}
