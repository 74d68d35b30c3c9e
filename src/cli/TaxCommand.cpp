// SPDX-License-Identifier: GPL-3.0-or-later
// tax: the figures a ledger gives towards the VAT and income-tax returns of
// one year, one KEY<TAB>VALUE line each, for scripts and spreadsheets.
#include "Commands.h"
#include "CliSupport.h"

#include "filing/FilingFigures.h"
#include "ledger/AutRecord.h"
#include "ledger/Money.h"
#include "ledger/WorkingTable.h"

#include <iostream>

namespace {

using quill::FilingFigures;
using quill::FilingPeriod;
using quill::WideTenths;

const char* const kTaxUsage = "usage: quillbook-cli tax FILE --year Y [--type 일반|간이|면세]";

std::optional<int> parseYear(const std::string& text)
{
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int year = std::stoi(text);
    if (year < 1)
        return std::nullopt;
    return year;
}

void line(const std::string& key, WideTenths value) { std::cout << key << '\t' << quill::plainDecimal(value) << '\n'; }

void printVat(const FilingFigures& f)
{
    for (int p = 0; p < quill::kFilingPeriodCount; ++p) {
        const auto period = static_cast<FilingPeriod>(p);
        const quill::VatFigures& v = f.period(period);
        const std::string k = std::string("vat.") + quill::filingPeriodKey(period) + ".";
        line(k + "sales.amount", v.salesAmount);
        line(k + "sales.vat", v.salesVat);
        line(k + "invoice.amount", v.invoice.amount);
        line(k + "invoice.vat", v.invoice.vat);
        line(k + "invoice.assets", v.invoice.assets);
        line(k + "card.amount", v.card.amount);
        line(k + "card.vat", v.card.vat);
        line(k + "card.assets", v.card.assets);
        line(k + "other.amount", v.other.amount);
        line(k + "other.vat", v.other.vat);
        line(k + "deductible", v.deductible());
        line(k + "payable", v.payable());
    }
}

} // namespace

int runTax(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {"--year", "--type"}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1 || !a.options.count("--year"))
        return cliFail(2, kTaxUsage);
    const std::optional<int> year = parseYear(a.options["--year"]);
    if (!year)
        return cliFail(2, "the year must be a number from 1 to 9999: " + a.options["--year"]);
    quill::TaxpayerType type = quill::TaxpayerType::General;
    if (auto t = a.options.find("--type"); t != a.options.end()) {
        std::optional<quill::TaxpayerType> parsed = quill::parseTaxpayerType(t->second);
        if (!parsed)
            return cliFail(2, "unknown taxpayer type " + t->second + " (일반, 간이 or 면세)");
        type = *parsed;
    }

    const std::string& path = a.positional[0];
    quill::WorkingTable table;
    if (quill::IoResult r = quill::ReadLedgerFile(path, table); !r)
        return cliFail(1, path + ": " + r.message);

    const FilingFigures f = quill::ComputeFilingFigures(table, *year, type);
    switch (type) {
    case quill::TaxpayerType::General:
        printVat(f);
        break;
    case quill::TaxpayerType::Simplified:
        line("simple.h1.supply", f.period(FilingPeriod::H1).simpleSupply());
        line("simple.year.supply", f.period(FilingPeriod::Year).simpleSupply());
        line("simple.year.purchases", f.period(FilingPeriod::Year).simplePurchases());
        line("simple.year.deduction", f.period(FilingPeriod::Year).simpleDeduction());
        break;
    case quill::TaxpayerType::Exempt:
        line("exempt.year.revenue", f.income.revenue);
        break;
    }
    line("income.revenue", f.income.revenue);
    line("income.expenses", f.income.expenses);
    line("income.assets", f.income.assets);
    line("income.profit", f.income.profit());
    std::cout << "evidence.count\t" << f.evidence.size() << '\n';
    line("evidence.sum", f.evidenceSum);
    std::cout << "undated.count\t" << f.undated.size() << '\n';
    return 0;
}
