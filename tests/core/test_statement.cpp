// SPDX-License-Identifier: GPL-3.0-or-later
// Statements: reading delimited lists, the values of their cells, profiles,
// matching against the ledger and booking as one step.
#include "TestFiles.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"
#include "core/ledger/LedgerChange.h"
#include "core/ledger/WorkingTable.h"
#include "core/statement/StatementBook.h"
#include "core/statement/StatementImport.h"
#include "core/statement/StatementProfile.h"
#include "core/statement/StatementValues.h"

#include <gtest/gtest.h>

#include <atomic>

#include <cmath>
#include <optional>

using namespace quill;

namespace {

StatementCell text(const std::string& s) { return {StatementCell::Kind::Text, s, 0}; }
StatementCell number(double v) { return {StatementCell::Kind::Number, "", v}; }
StatementCell dateCell(double v) { return {StatementCell::Kind::Date, "", v}; }

std::string cp949(const std::string& utf8) { return encodeCp949(utf8).bytes.value(); }

// A sheet from lines of a comma-separated list.
StatementSheet sheetOf(const std::vector<std::string>& lines)
{
    std::string csv;
    for (const std::string& line : lines)
        csv += line + "\n";
    StatementReadResult r = ReadDelimitedStatement(csv, {});
    return r.book.sheets.empty() ? StatementSheet{} : r.book.sheets[0];
}

LedgerEntry entry(const char* iday, const std::string& jkyu, const std::string& sangho, Category c, double amount,
                  double vat, const std::string& etc = "")
{
    LedgerEntry e;
    e.IDAY = iday;
    e.JKYU = cp949(jkyu);
    e.SANGHO = cp949(sangho);
    e.ETC = cp949(etc);
    (c == Category::Income ? e.INMNY : c == Category::Asset ? e.JSMNY : e.OTMNY) = amount;
    (c == Category::Income ? e.INVAT : c == Category::Asset ? e.JSVAT : e.OTVAT) = vat;
    return e;
}

StatementBook bookOf(const StatementSheet& sheet)
{
    StatementBook b;
    b.sheets.push_back(sheet);
    return b;
}

void fill(WorkingTable& t, const std::vector<LedgerEntry>& rows)
{
    t.adoptRows(rows);
}

} // namespace

// Every form of date a statement writes, and what is no date.
TEST(StatementValues, DatesInEveryForm)
{
    struct Row {
        StatementCell cell;
        std::optional<std::string> want;
    };
    const Row rows[] = {
        {text("2024-03-05"), "2024.03.05"},
        {text("2024.03.05"), "2024.03.05"},
        {text("2024/03/05 14:22:11"), "2024.03.05"},
        {text("20240305"), "2024.03.05"},
        {text("20240305 142211"), "2024.03.05"},
        {text("24.03.05"), "2024.03.05"},
        {text("2024-3-5"), "2024.03.05"},
        {text(" 2024년 3월 5일 "), "2024.03.05"},
        {text("2024.03.05(화)"), "2024.03.05"},
        {text("２０２４－０３－０５"), "2024.03.05"},
        {dateCell(45356), "2024.03.05"},
        {dateCell(45356.6), "2024.03.05"},
        {number(45356), "2024.03.05"},
        {number(20240305), "2024.03.05"},
        {text("45356"), "2024.03.05"},
        {dateCell(61), std::nullopt},          // 1900: no statement date
        {text("2024-02-30"), std::nullopt},
        {text("2023-02-29"), std::nullopt},
        {text("2024-02-29"), "2024.02.29"},
        {text("1899-12-31"), "1899.12.31"},   // any year a ledger's date holds
        {text("2024-13-01"), std::nullopt},
        {text("합계"), std::nullopt},
        {text("2024"), std::nullopt},
        {text("1,234,000"), std::nullopt},
        {text("2024-03-05abc"), std::nullopt},
        {{}, std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseStatementDate(r.cell), r.want) << "cell '" << r.cell.text << "' " << r.cell.number;
}

// Every form of amount, blanks, and what is refused (and marked bad).
TEST(StatementValues, AmountsInEveryForm)
{
    struct Row {
        StatementCell cell;
        std::optional<double> want;
        bool bad;
    };
    const Row rows[] = {
        {text("1,234,000"), 1234000, false},
        {text("1234000원"), 1234000, false},
        {text("-5,000"), -5000, false},
        {text("(5,000)"), -5000, false},
        {text("△5,000"), -5000, false},
        {text("₩5,000"), 5000, false},
        {text("￦5,000"), 5000, false},
        {text("－５，０００"), -5000, false},
        {text("１２３４"), 1234, false},
        {text(" 12.5 "), 12.5, false},
        {text("+300"), 300, false},
        {number(55000), 55000, false},
        {number(-909), -909, false},
        {text(""), std::nullopt, false},
        {text("   "), std::nullopt, false},
        {{}, std::nullopt, false},
        {text("-"), 0, false},                 // a dash for no money
        {text(" － "), 0, false},
        {text("USD 5.50"), std::nullopt, true},
        {text("5,000원 할인"), std::nullopt, true},
        {text("(5,000"), std::nullopt, true},
        {text("5-000"), std::nullopt, true},
        {text("1.2.3"), std::nullopt, true},
        {dateCell(45356), std::nullopt, true},
    };
    for (const Row& r : rows) {
        bool bad = !r.bad;
        EXPECT_EQ(ParseStatementAmount(r.cell, &bad), r.want) << r.cell.text;
        EXPECT_EQ(bad, r.bad) << r.cell.text;
    }
}

// Texts go into the ledger's CP949 fields: cut at a character, replaced
// characters marked, never changed silently.
TEST(StatementValues, TextsFittedToLedgerFields)
{
    struct Row {
        std::string in;
        std::size_t limit;
        std::string want;
        bool cut, replaced;
    };
    const Row rows[] = {
        {"서울상회", 33, "서울상회", false, false},
        {"  줄\n바꿈\t ", 33, "줄 바꿈", false, false},
        {"가나다라마", 9, "가나다라", true, false},     // 2 bytes each: never half a character
        {"abc가", 4, "abc", true, false},
        {"₩5,000 커피", 33, "￦5,000 커피", false, true},
        {"카페😀", 33, "카페?", false, true},
        {"A–B", 33, "A-B", false, true},
        {"가 나다", 3, "가", true, false},             // no blank left at the cut
    };
    for (const Row& r : rows) {
        const FittedText f = FitLedgerText(r.in, r.limit);
        EXPECT_EQ(f.utf8, r.want) << r.in;
        EXPECT_EQ(f.cut, r.cut) << r.in;
        EXPECT_EQ(f.replaced, r.replaced) << r.in;
        EXPECT_LE(f.cp949.size(), r.limit);
        EXPECT_EQ(decodeCp949(f.cp949), f.utf8);
    }
    // A row's text that never went through the fitting (set by hand) is
    // fitted on booking, not booked as an empty field.
    ImportRow row;
    row.IDAY = "2024.03.05";
    row.description = "카페😀";
    row.remark = "카드";
    const LedgerEntry e = ImportRowEntry(row);
    EXPECT_EQ(decodeCp949(e.JKYU.view()), "카페?");
    EXPECT_EQ(decodeCp949(e.ETC.view()), "카드");
}

// Encodings, delimiters and RFC 4180 quoting of delimited files.
TEST(DelimitedReader, EncodingsDelimitersAndQuotes)
{
    const std::string korean = "날짜,가맹점명,금액\r\n2024-03-05,\"서울\n상회, 본점\",\"1,000\"\r\n";
    auto utf16 = [](const std::string& utf8, bool big) {
        std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
        for (char32_t c : DecodeUtf8(utf8)) {
            const auto hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            out += big ? hi : lo;
            out += big ? lo : hi;
        }
        return out;
    };
    struct Row {
        const char* name;
        std::string bytes;
        StatementEncoding encoding;
        bool unsure;
        char delimiter;
        std::vector<std::vector<std::string>> cells;
    };
    const std::vector<std::vector<std::string>> table = {{"날짜", "가맹점명", "금액"},
                                                         {"2024-03-05", "서울\n상회, 본점", "1,000"}};
    const Row rows[] = {
        {"utf-8", korean, StatementEncoding::Utf8, false, ',', table},
        {"utf-8 bom", "\xEF\xBB\xBF" + korean, StatementEncoding::Utf8, false, ',', table},
        {"utf-8 bom, broken bytes", "\xEF\xBB\xBF" "a,b\xF5\n", StatementEncoding::Utf8, false, ',', {{"a", "b\uFFFD"}}},
        {"utf-16le", utf16(korean, false), StatementEncoding::Utf16, false, ',', table},
        {"utf-16be", utf16(korean, true), StatementEncoding::Utf16, false, ',', table},
        {"cp949", cp949(korean), StatementEncoding::Cp949, false, ',', table},
        {"tab", "a\tb\tc\n1\t\"x\ty\"\t3\n", StatementEncoding::Utf8, false, '\t', {{"a", "b", "c"}, {"1", "x\ty", "3"}}},
        {"semicolon", "제목\na;b;c\n1;\"2;\"\"3\"\"\";4\n", StatementEncoding::Utf8, false, ';',
         {{"제목"}, {"a", "b", "c"}, {"1", "2;\"3\"", "4"}}},
        {"pipe", "a|b\n1|2\n", StatementEncoding::Utf8, false, '|', {{"a", "b"}, {"1", "2"}}},
        // Two bytes that read as one Hangul syllable in either encoding.
        {"close guess", "a,카각\n", StatementEncoding::Utf8, true, ',', {{"a", "카각"}}},
        // CP949 names whose every byte pair is also UTF-8 (of Latin letters
        // no statement holds) under an ASCII header.
        {"cp949 that is valid utf-8", cp949("date,name,amount\n2024-03-05,치킨,1000\n2024-03-06,화환,2000\n"),
         StatementEncoding::Cp949, true, ',', {{"date", "name", "amount"}, {"2024-03-05", "치킨", "1000"},
                                                {"2024-03-06", "화환", "2000"}}},
    };
    // A CP949 statement longer than the part sampled for the guess, cut
    // there between the two bytes of a syllable: it decodes cleanly, and
    // nothing about it is unsure.
    {
        const std::string line = cp949("2024-03-05,서울상회,1000\n");
        std::string big = cp949("날짜,가맹점명,금액\n");
        while (big.size() + line.size() < (1u << 20) - 20)
            big += line;
        // The line whose "서" (after "2024-03-05,") begins on the sample's last byte.
        const std::size_t start = (1u << 20) - 12;
        big += std::string(start - big.size() - 1, 'x') + "\n";
        while (big.size() < (1u << 20) + 4096)
            big += line;
        ASSERT_GT(static_cast<unsigned char>(big[(1u << 20) - 1]), 0x80u);  // the cut falls on a lead byte
        const StatementReadResult res = ReadDelimitedStatement(big, {});
        ASSERT_FALSE(res.error);
        EXPECT_EQ(res.book.encoding, StatementEncoding::Cp949);
        EXPECT_FALSE(res.book.encodingUnsure);
    }
    // A long list read on a thread of its own reports how far it has come
    // and stops when told to.
    {
        std::string list = "날짜,가맹점명,금액\n";
        for (int k = 0; k < 5000; ++k)
            list += "2024-03-05,가게 " + std::to_string(k) + ",1000\n";
        std::atomic<int> progress{0};
        std::atomic<bool> cancel{false};
        StatementReadOptions watched;
        watched.progress = &progress;
        watched.cancel = &cancel;
        const StatementReadResult whole = ReadDelimitedStatement(list, watched);
        ASSERT_FALSE(whole.error);
        EXPECT_EQ(whole.book.sheets[0].rows.size(), 5001u);
        EXPECT_GT(progress.load(), 700);
        EXPECT_LE(progress.load(), 1000);
        cancel = true;
        const StatementReadResult stopped = ReadDelimitedStatement(list, watched);
        EXPECT_EQ(stopped.error.kind, StatementReadError::Kind::Cancelled);
        EXPECT_TRUE(stopped.book.sheets.empty());
    }
    for (const Row& r : rows) {
        const StatementReadResult res = ReadDelimitedStatement(r.bytes, {});
        ASSERT_FALSE(res.error) << r.name << ": " << res.error.message;
        EXPECT_EQ(res.book.encoding, r.encoding) << r.name;
        EXPECT_EQ(res.book.encodingUnsure, r.unsure) << r.name;
        EXPECT_EQ(res.book.delimiter, r.delimiter) << r.name;
        ASSERT_EQ(res.book.sheets.size(), 1u);
        const auto& got = res.book.sheets[0].rows;
        ASSERT_EQ(got.size(), r.cells.size()) << r.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].size(), r.cells[i].size()) << r.name << " row " << i;
            for (std::size_t j = 0; j < got[i].size(); ++j)
                EXPECT_EQ(got[i][j].text, r.cells[i][j]) << r.name << " row " << i;
        }
    }
    // The user's choice wins over the guess; binary and oversized files are refused.
    StatementReadOptions asCp949;
    asCp949.encoding = StatementEncoding::Cp949;
    const StatementReadResult chosen = ReadDelimitedStatement("a,카각\n", asCp949);
    EXPECT_EQ(chosen.book.encoding, StatementEncoding::Cp949);
    EXPECT_EQ(chosen.book.sheets[0].rows[0][1].text, decodeCp949("카각"));
    EXPECT_EQ(ReadDelimitedStatement(std::string("PK\0\0x", 5), {}).error.kind, StatementReadError::Kind::UnknownFormat);
    // What no list holds ends the read at once, naming the line.
    struct Refused {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Refused refused[] = {
        {"unclosed quote", "a,b\nc,\"d\ne,f\n", "2행에서 연 따옴표가 닫히지 않았습니다."},
        {"one long field", "a,b\n1," + std::string(70000, 'x') + "\n", "2행의 한 칸이 64 KB를 넘어 내역으로 읽을 수 없습니다."},
        {"one long line of fields", "a,b\n" + std::string(20000, ','), "2행의 칸이 16384개를 넘어 내역으로 읽을 수 없습니다."},
    };
    for (const Refused& r : refused) {
        const StatementReadResult res = ReadDelimitedStatement(r.bytes, {});
        EXPECT_EQ(res.error.kind, StatementReadError::Kind::Damaged) << r.name;
        EXPECT_EQ(res.error.message, r.message) << r.name;
        EXPECT_TRUE(res.book.sheets.empty()) << r.name;
    }
    StatementReadOptions tiny;
    tiny.sizeLimit = 4;
    EXPECT_EQ(ReadDelimitedStatement("a,b,c\n", tiny).error.kind, StatementReadError::Kind::TooBig);
    StatementReadOptions fewCells;
    fewCells.cellLimit = 3;
    EXPECT_EQ(ReadDelimitedStatement("a,b\nc,d\ne,f\n", fewCells).error.kind, StatementReadError::Kind::TooBig);
}

// Each shipped profile on its test file: found by its header (and title),
// title, blank and total rows skipped, money, VAT, category and remark as
// the ledger will hold them, cancellations negative.
TEST(StatementProfiles, ShippedProfilesReadTheirLists)
{
    struct Want {
        std::string date, counterparty, description;
        Category category;
        double amount, vat;
        std::string remark;
    };
    struct Row {
        const char* file;
        const char* profile;
        std::vector<Want> rows;
    };
    const Category E = Category::Expense, I = Category::Income;
    const Row files[] = {
        {"card_purchase.csv", "홈택스 신용카드 매입",
         {{"2024.03.05", "서울주유소", "서울주유소", E, 50000, 5000, "카드"},
          {"2024.03.07", "대한문구", "대한문구", E, 9091, 909, "카드"},
          {"2024.03.09", "대한문구", "대한문구", E, -9091, -909, "카드"},
          // 공제여부 불공제: the remark the filing figures read as 불공제
          {"2024.03.12", "맛나식당 \"본점\"", "맛나식당 \"본점\"", E, 20000, 2000, "카드 불공"}}},
        // 봉사료 belongs to what was paid; a row whose parts do not add up
        // is booked at its total less VAT.
        {"card_service_charge.csv", "홈택스 신용카드 매입",
         {{"2024.03.15", "한우마을", "한우마을", E, 55000, 5000, "카드"},
          {"2024.03.16", "푸른골프장", "푸른골프장", E, 100000, 10000, "카드 불공"},
          {"2024.03.17", "커피집", "커피집", E, 9900, 0, "카드"}}},
        {"cash_receipt_nondeductible.csv", "홈택스 현금영수증 매입",
         {{"2024.04.05", "동네마트", "동네마트", E, 18182, 1818, "현영 불공"}}},
        {"cash_receipt.csv", "홈택스 현금영수증 매입",
         {{"2024.04.02", "동네마트", "동네마트", E, 18182, 1818, "현금영수증"},
          {"2024.04.03", "동네마트", "동네마트", E, -18182, -1818, "현금영수증"},
          {"2024.04.20", "꽃집", "꽃집", E, 45455, 4545, "현금영수증"}}},
        {"tax_invoice_purchase.csv", "홈택스 전자세금계산서 매입",
         {{"2024.01.15", "한빛상사", "사무용 책상", E, 1000000, 100000, "세계"},
          {"2024.02.20", "(주)종이나라", "복사용지", E, 300000, 30000, "세계"}}},
        {"tax_invoice_sales.csv", "홈택스 전자세금계산서 매출",
         {{"2024.03.05", "새봄카페", "원두 납품", I, 2000000, 200000, "세계"}}},
        {"bank.csv", "은행 거래내역",
         {{"2024.05.02", "새봄카페", "새봄카페", I, 2200000, 0, ""},
          {"2024.05.03", "서울주유소", "서울주유소", E, 55000, 0, ""},
          {"2024.05.10", "관리비", "관리비", E, 150000, 0, ""}}},
        // Banks' own names of the columns, "-" and "－" for no money.
        {"bank_kb.csv", "은행 거래내역",
         {{"2024.06.03", "새봄카페", "새봄카페", I, 1100000, 0, ""},
          {"2024.06.04", "서울주유소", "서울주유소", E, 66000, 0, ""},
          {"2024.06.05", "관리비", "관리비", E, 150000, 0, ""}}},
        {"bank_woori.csv", "은행 거래내역",
         {{"2024.06.10", "새봄카페", "새봄카페", I, 220000, 0, ""},
          {"2024.06.11", "대한문구", "대한문구", E, 33000, 0, ""}}},
        {"bank_shinhan.csv", "은행 거래내역",
         {{"2024.06.12", "정새봄", "정새봄", I, 500000, 0, ""},
          {"2024.06.13", "맛나식당", "맛나식당", E, 12000, 0, ""}}},
        {"bank_hana.csv", "은행 거래내역", {{"2024.06.14", "꽃집", "꽃집", E, 45000, 0, ""}}},
        {"bank_nh.csv", "은행 거래내역", {{"2024.06.15", "새봄카페", "새봄카페", I, 77000, 0, ""}}},
        {"bank_direction.csv", "은행 거래내역 (거래금액)",
         {{"2024.06.16", "새봄카페", "새봄카페", I, 300000, 0, ""},
          {"2024.06.17", "동네마트", "동네마트", E, 44000, 0, ""}}},
        // A sales list whose title names both 매출 and 매입.
        {"tax_invoice_sales_titled.csv", "홈택스 전자세금계산서 매출",
         {{"2024.04.05", "새봄카페", "원두 납품", I, 1000000, 100000, "세계"}}},
    };
    WorkingTable empty;
    empty.open();
    LedgerMatchIndex index;
    index.build(empty);
    for (const Row& f : files) {
        const StatementReadResult read = ReadStatementFile(std::string(QB_TEST_DATA) + "/statements/" + f.file);
        ASSERT_FALSE(read.error) << f.file << ": " << read.error.message;
        const ImportPlan plan = PlanImport(read.book, 0, ShippedProfiles(), "", {}, index);
        ASSERT_EQ(plan.error, "") << f.file;
        EXPECT_EQ(plan.profile.name, f.profile) << f.file;
        ASSERT_EQ(plan.rows.size(), f.rows.size()) << f.file;
        for (std::size_t i = 0; i < f.rows.size(); ++i) {
            const ImportRow& got = plan.rows[i];
            const Want& w = f.rows[i];
            EXPECT_EQ(got.status, ImportStatus::New) << f.file << " row " << i << ": " << got.reason;
            EXPECT_EQ(got.IDAY, w.date) << f.file << " row " << i;
            EXPECT_EQ(got.counterparty, w.counterparty) << f.file << " row " << i;
            EXPECT_EQ(got.description, w.description) << f.file << " row " << i;
            EXPECT_EQ(got.category, w.category) << f.file << " row " << i;
            EXPECT_EQ(got.amount, w.amount) << f.file << " row " << i;
            EXPECT_EQ(got.vat, w.vat) << f.file << " row " << i;
            EXPECT_EQ(got.remark, w.remark) << f.file << " row " << i;
        }
    }
}

// Profiles: saved in the configuration and read back, matched by header,
// the user's before the shipped ones; the VAT-inclusive split and a signed
// column; rules saved and applied, with the rule named.
TEST(StatementProfiles, SavedProfilesAndRulesFromConfiguration)
{
    TempFolder dir;
    const std::string ini = dir.file("quillcfg.ini");
    StatementProfile p;
    p.name = "우리카드";
    p.columns = {{ColumnRole::Date, "이용일"}, {ColumnRole::Counterparty, "이용하신곳"}, {ColumnRole::Amount, "이용금액"},
                 {ColumnRole::Status, "상태"}};
    p.category = Category::Expense;
    p.remark = "카드";
    p.vatIncluded = true;
    ASSERT_TRUE(SaveProfile(ini, p));
    ASSERT_TRUE(SaveProfile(ini, p));  // saved again: listed once
    StatementProfile bad = p;
    bad.name = "a|b";
    EXPECT_FALSE(SaveProfile(ini, bad));
    const auto saved = ReadSavedProfiles(ini);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].name, p.name);
    ASSERT_EQ(saved[0].columns.size(), 4u);
    EXPECT_EQ(saved[0].columns[1].header, "이용하신곳");
    EXPECT_TRUE(saved[0].vatIncluded);
    EXPECT_EQ(saved[0].remark, "카드");

    ImportRule rule;
    rule.contains = "주유";
    rule.category = Category::Expense;
    rule.description = "차량유지비";
    ASSERT_TRUE(SaveImportRule(ini, rule));
    const auto rules = ReadImportRules(ini);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].label(), "거래처에 '주유' 포함 → 비용, 차량유지비");

    const StatementSheet sheet = sheetOf({"우리카드 이용내역", "이용일,이용 하신곳,이용금액,상태", "2024.06.01,GS주유소,\"11,000\",정상",
                                          "2024.06.02,카페,5500,승인취소", "2024.06.03,카페,,정상"});
    const auto all = AllProfiles(ini);
    int header = -1;
    const auto fits = MatchingProfiles(sheet, all, &header);
    ASSERT_FALSE(fits.empty());
    EXPECT_EQ(fits[0]->name, "우리카드");
    EXPECT_EQ(header, 1);
    EXPECT_TRUE(MatchingProfiles(sheet, ShippedProfiles()).empty());
    EXPECT_EQ(HeaderKey("공급가액 (원)"), HeaderKey("공급가액"));
    EXPECT_EQ(HeaderKey(" Card No "), "cardno");
    EXPECT_EQ(HeaderKey("(원)"), "(원)");

    WorkingTable empty;
    empty.open();
    LedgerMatchIndex index;
    index.build(empty);
    const ImportPlan plan = PlanImport(bookOf(sheet), 0, all, "", rules, index);
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].amount, 10000);   // 11,000 split 10/110
    EXPECT_EQ(plan.rows[0].vat, 1000);
    EXPECT_EQ(plan.rows[0].description, "차량유지비");
    EXPECT_EQ(plan.rows[0].proposedBy, "규칙: 거래처에 '주유' 포함 → 비용, 차량유지비");
    EXPECT_EQ(plan.rows[1].amount, -5000);   // 승인취소: negative
    EXPECT_EQ(plan.rows[1].vat, -500);
    EXPECT_EQ(plan.rows[1].proposedBy, "틀: 우리카드");
    EXPECT_EQ(plan.rows[2].status, ImportStatus::Error);
    EXPECT_EQ(plan.rows[2].reason, "금액이 없습니다");
    // A profile named that the file does not fit, and one that does not exist.
    EXPECT_NE(PlanImport(bookOf(sheet), 0, all, "은행 거래내역", rules, index).error, "");
    EXPECT_NE(PlanImport(bookOf(sheet), 0, all, "없는 틀", rules, index).error, "");
}

// Cancellations become negative entries: a status column that says so, or
// a cell that is nothing but the word; a description holding it is none.
TEST(StatementProfiles, CancellationsAndTotalRows)
{
    const StatementSheet sheet = sheetOf({
        "승인일자,가맹점명,합계,비고",
        "2024-03-05,가게,1000,승인취소",
        "2024-03-05,가게,1000, 취소 ",
        "2024-03-05,가게,1000,주문취소 환불",
        "2024-03-05,가게,-1000,취소",       // already negative: stays so
        "2024-03-05,가게,1000,",
        ",계,4000,",
        "총계,,4000,",
    });
    StatementProfile p;
    p.name = "시험";
    p.columns = {{ColumnRole::Date, "승인일자"}, {ColumnRole::Counterparty, "가맹점명"}, {ColumnRole::Amount, "합계"}};
    WorkingTable empty;
    empty.open();
    LedgerMatchIndex index;
    index.build(empty);
    const ImportPlan plan = PlanImport(bookOf(sheet), 0, {p}, "", {}, index);
    const double want[] = {-1000, -1000, 1000, -1000, 1000};
    ASSERT_EQ(plan.rows.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i)
        EXPECT_EQ(plan.rows[i].amount, want[i]) << "row " << i;
}

// Each status against the working ledger, with what the ledger teaches.
TEST(StatementMatching, StatusOfEveryRow)
{
    WorkingTable ledger;
    fill(ledger, {entry("2024.03.05", "주유", "서울주유소", Category::Expense, 50000, 5000, "카드"),
                  entry("2024.03.01", "차량유지비", "서울주유소", Category::Expense, 30000, 3000, "카드"),
                  entry("2024.03.10", "커피", "카페", Category::Expense, 5000, 0),
                  entry("2024.02.01", "비품", "대한문구", Category::Asset, 100000, 10000, "세계"),
                  entry("2024.02.02", "비품", "대한문구", Category::Asset, 100000, 10000, "세계"),
                  entry("2024.02.03", "소모품", "대한문구", Category::Expense, 100, 10, "영")});
    LedgerMatchIndex index;
    index.build(ledger);

    const StatementSheet sheet = sheetOf({
        "승인일자,승인번호,가맹점명,합계",
        "2024-03-05,1,서울주유소,\"55,000\"",      // same date, amount, counterparty
        "2024-03-08,2,서울주유소,\"55,000\"",      // three days later: similar
        "2024-03-09,3,서울주유소,\"55,000\"",      // four days: new
        "2024-03-10,4,카페,5000",                  // one ledger entry ...
        "2024-03-10,5,카페,5000",                  // ... answers for one row only
        "2024-03-11,6,대한문구,\"1,100\"",
        "2024-03-11,6,대한문구,\"1,100\"",         // the same approval again
        "2024-03-31,7,대한문구,abc",
        "2024-02-30,8,대한문구,100",
        ",9,대한문구,100",
        "2024-03-12,10,,100",
        "2024-03-12,11,큰손,\"999,999,999,999,999\"",
    });
    StatementProfile p;
    p.name = "시험";
    p.columns = {{ColumnRole::Date, "승인일자"}, {ColumnRole::Approval, "승인번호"},
                 {ColumnRole::Counterparty, "가맹점명"}, {ColumnRole::Amount, "합계"}};
    p.remark = "카드";
    const ImportPlan plan = PlanImport(bookOf(sheetOf({})), 0, {p}, "", {}, index);
    EXPECT_NE(plan.error, "");  // no sheet rows: no layout

    StatementBook book;
    book.sheets.push_back(sheet);
    const ImportPlan got = PlanImport(book, 0, {p}, "", {}, index);
    ASSERT_EQ(got.error, "");
    struct Want {
        ImportStatus status;
        bool ticked;
        const char* reason;   // start of it
    };
    const Want want[] = {
        {ImportStatus::Duplicate, false, "장부의 2024.03.05 주유 자료와 같습니다"},
        {ImportStatus::Similar, true, "장부의 2024.03.05"},
        {ImportStatus::New, true, ""},
        {ImportStatus::Duplicate, false, "장부의 2024.03.10"},
        {ImportStatus::Similar, true, "장부의 2024.03.10"},
        {ImportStatus::New, true, ""},
        {ImportStatus::Duplicate, false, "같은 승인번호가 7행에 있습니다"},
        {ImportStatus::Error, false, "금액을 읽을 수 없습니다: abc"},
        {ImportStatus::Error, false, "날짜를 읽을 수 없습니다: 2024-02-30"},
        {ImportStatus::Error, false, "날짜가 없습니다"},
        {ImportStatus::Error, false, "거래내용이 없습니다"},
        {ImportStatus::Error, false, "금액이 너무 큽니다"},
    };
    ASSERT_EQ(got.rows.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        EXPECT_EQ(got.rows[i].status, want[i].status) << "row " << i << ": " << got.rows[i].reason;
        EXPECT_EQ(got.rows[i].ticked, want[i].ticked) << "row " << i;
        EXPECT_EQ(got.rows[i].reason.rfind(want[i].reason, 0), 0u) << "row " << i << ": " << got.rows[i].reason;
    }
    EXPECT_STREQ(ImportStatusName(got.rows[1].status), "비슷함");
    // Learned: the most frequent description and category of the counterparty.
    EXPECT_EQ(got.rows[5].category, Category::Asset);
    EXPECT_EQ(got.rows[5].description, "비품");
    EXPECT_EQ(got.rows[5].proposedBy, "장부: 같은 거래처 3건");
    EXPECT_EQ(got.rows[5].remark, "카드");   // the profile's remark stays

    // A counterparty changed in the preview is matched again.
    ImportRow row = got.rows[2];
    SetImportRowText(row, 1, "카페", index);
    EXPECT_EQ(row.status, ImportStatus::New);
    row.IDAY = "2024.03.10";
    row.amount = 5000;
    row.vat = 0;
    SetImportRowText(row, 1, "카페", index);
    EXPECT_EQ(row.status, ImportStatus::Duplicate);
    EXPECT_FALSE(row.ticked);
    SetImportRowText(row, 0, "가나다라마바사아자차카타파하가나다라마바사아자차카타", index);
    EXPECT_FALSE(row.notes.empty());
    // A description emptied is an error; written again, the row is back and ticked.
    SetImportRowText(row, 0, " ", index);
    EXPECT_EQ(row.status, ImportStatus::Error);
    row.IDAY = "2024.04.10";
    SetImportRowText(row, 0, "커피", index);
    EXPECT_EQ(row.status, ImportStatus::New);
    EXPECT_TRUE(row.ticked);
    // The same approval twice stays a duplicate whatever the counterparty.
    ImportRow twice = got.rows[6];
    SetImportRowText(twice, 1, "다른가게", index);
    EXPECT_EQ(twice.status, ImportStatus::Duplicate);
}

// Booking the ticked rows is one step: undo takes back all of them and the
// ledger is as it was, byte for byte; redo books them again.
TEST(StatementBooking, BookedRowsAreOneUndoStep)
{
    WorkingTable ledger;
    const std::vector<LedgerEntry> before = {entry("2024.03.01", "a", "x", Category::Income, 1, 0),
                                             entry("2024.03.05", "b", "y", Category::Expense, 2, 0),
                                             entry("2024.03.09", "c", "z", Category::Expense, 3, 0)};
    fill(ledger, before);
    auto row = [](const char* day, const char* what, ImportStatus s, bool ticked) {
        ImportRow r;
        r.IDAY = day;
        r.description = what;
        r.counterparty = "상대";
        r.amount = 1000;
        r.vat = 100;
        r.remark = "카드";
        r.status = s;
        r.ticked = ticked;
        return r;
    };
    const std::vector<ImportRow> rows = {row("2024.03.05", "새1", ImportStatus::New, true),
                                         row("2024.03.02", "새2", ImportStatus::Similar, true),
                                         row("2024.03.03", "중복", ImportStatus::Duplicate, false),
                                         row("2024.03.04", "풀림", ImportStatus::New, false),
                                         row("2024.03.06", "오류", ImportStatus::Error, false),
                                         row("2024.03.10", "중복도", ImportStatus::Duplicate, true)};
    const BookedImport booked = BookImportRows(ledger, rows);
    EXPECT_EQ(ImportReport(booked.counts), "3건 가져옴 (비슷함 1건 포함), 1건 중복 제외, 1건 오류");
    ASSERT_TRUE(booked.change);
    ASSERT_EQ(ledger.rowCount(), 6u);
    EXPECT_EQ(booked.firstRow, 1u);
    const char* order[] = {"a", "새2", "b", "새1", "c", "중복도"};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(decodeCp949(ledger.row(i).JKYU.view()), order[i]) << i;
    EXPECT_EQ(ledger.row(3).OTMNY, 1000);
    EXPECT_EQ(ledger.row(3).OTVAT, 100);
    EXPECT_EQ(decodeCp949(ledger.row(3).ETC.view()), "카드");

    ASSERT_TRUE(booked.change->undo(ledger));
    ASSERT_EQ(ledger.rowCount(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(ledger.row(i) == before[i]) << i;
    ASSERT_TRUE(booked.change->redo(ledger));
    EXPECT_EQ(ledger.rowCount(), 6u);
    EXPECT_EQ(decodeCp949(ledger.row(1).JKYU.view()), "새2");

    // Nothing ticked: nothing booked, no step.
    WorkingTable other;
    fill(other, before);
    EXPECT_FALSE(BookImportRows(other, {rows[2], rows[4]}).change);
    EXPECT_EQ(other.rowCount(), before.size());
}

// A profile made in the preview: the guesses from the headers, the second
// column of a name told apart by its number, and what it needs to be kept.
TEST(StatementProfiles, ProfileMadeFromAHeaderRow)
{
    const std::vector<std::string> headers{"이용일", "가맹점", "이용금액", "상호", "상 호", "공급가액 (원)", "비고"};
    const std::vector<ColumnRole> guessed{ColumnRole::Date,         ColumnRole::Counterparty, ColumnRole::Amount,
                                          ColumnRole::Counterparty, ColumnRole::Counterparty, ColumnRole::Supply,
                                          ColumnRole::None};
    for (std::size_t c = 0; c < headers.size(); ++c)
        EXPECT_EQ(GuessColumnRole(headers[c]), guessed[c]) << headers[c];
    // Numbers and kinds of the counterparty name none; the bank's and the
    // card list's own columns.
    const std::pair<const char*, ColumnRole> more[] = {
        {"가맹점사업자번호", ColumnRole::None},    {"가맹점유형", ColumnRole::None},
        {"봉사료", ColumnRole::ServiceCharge},     {"공제여부(결정)", ColumnRole::Deduction},
        {"입출금구분", ColumnRole::Direction},     {"맡기신금액", ColumnRole::Deposit},
        {"찾으신금액", ColumnRole::Withdrawal},
    };
    for (const auto& [header, role] : more)
        EXPECT_EQ(GuessColumnRole(header), role) << header;
    EXPECT_EQ(NumberedHeaders(headers),
              (std::vector<std::string>{"이용일", "가맹점", "이용금액", "상호", "상 호#2", "공급가액 (원)", "비고"}));

    struct Case {
        const char* name;
        std::vector<ColumnBinding> columns;
        std::string problem;
    };
    const Case cases[] = {
        {"", {{ColumnRole::Date, "이용일"}, {ColumnRole::Amount, "금액"}}, "틀 이름을 입력하세요."},
        {"카드", {{ColumnRole::Amount, "금액"}}, "날짜 열을 고르세요."},
        {"카드", {{ColumnRole::Date, "이용일"}, {ColumnRole::Amount, "금액"}, {ColumnRole::Counterparty, "상호"},
                  {ColumnRole::Counterparty, "가맹점"}},
         "'거래처' 뜻을 두 열에 골랐습니다. 한 열만 고르세요."},
        {"카드", {{ColumnRole::Date, "이용일"}, {ColumnRole::Vat, "세액"}},
         "금액 열(금액, 공급가액, 입금 또는 출금)을 고르세요."},
        {"카드", {{ColumnRole::Date, "이용일"}, {ColumnRole::Withdrawal, "출금"}}, ""},
        {"카드", {{ColumnRole::Date, "이용일"}, {ColumnRole::Supply, "공급가액"}}, ""},
    };
    for (const Case& c : cases) {
        StatementProfile p;
        p.name = c.name;
        p.columns = c.columns;
        EXPECT_EQ(ProfileProblem(p), c.problem) << c.name << " " << c.columns.size();
    }
}

namespace {

const ImportRow& onlyRow(const ImportPlan& plan)
{
    static const ImportRow none;
    EXPECT_EQ(plan.rows.size(), 1u) << plan.error;
    return plan.rows.empty() ? none : plan.rows[0];
}

const char* const kInvoiceHeader =
    "작성일자,승인번호,발급일자,전송일자,공급자사업자등록번호,종사업장번호,상호,대표자명,주소,공급받는자사업자등록번호,"
    "종사업장번호,상호,대표자명,주소,합계금액,공급가액,세액,품목명";

std::string invoiceRow(const char* day, const char* supplier, const char* buyer)
{
    return std::string(day) + ",1," + day + "," + day + ",111-11-11111,," + supplier + ",대표,주소,222-22-22222,," +
           buyer + ",대표,주소,\"110,000\",\"100,000\",\"10,000\",원두";
}

} // namespace

// Purchase or sales from what the list says: the rows (one supplier, many
// buyers: the user sells), the title's own declaration, and a question when
// neither says.
TEST(StatementProfiles, SalesOrPurchasesFromTheRowsAndTheTitle)
{
    WorkingTable empty;
    empty.open();
    LedgerMatchIndex index;
    index.build(empty);
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        const char* profile;   // empty: the user is asked
        Category category;
        const char* counterparty;
    };
    const Row rows[] = {
        {"title names both, declares 매출",
         {"매출/매입 구분: 매출", kInvoiceHeader, invoiceRow("20240405", "우리가게", "새봄카페")},
         "홈택스 전자세금계산서 매출", Category::Income, "새봄카페"},
        {"label cell and value cell", {"매출/매입,매입", kInvoiceHeader, invoiceRow("20240405", "한빛상사", "우리가게")},
         "홈택스 전자세금계산서 매입", Category::Expense, "한빛상사"},
        {"no title: one supplier, two buyers",
         {kInvoiceHeader, invoiceRow("20240405", "우리가게", "새봄카페"), invoiceRow("20240406", "우리가게", "꽃집")},
         "홈택스 전자세금계산서 매출", Category::Income, "새봄카페"},
        {"rows over a misleading title",
         {"매입 전자(세금)계산서", kInvoiceHeader, invoiceRow("20240405", "우리가게", "새봄카페"),
          invoiceRow("20240406", "우리가게", "꽃집")},
         "홈택스 전자세금계산서 매출", Category::Income, "새봄카페"},
        {"no title, one row", {kInvoiceHeader, invoiceRow("20240405", "우리가게", "새봄카페")}, "", Category::None, ""},
    };
    for (const Row& r : rows) {
        const ImportPlan plan = PlanImport(bookOf(sheetOf(r.lines)), 0, ShippedProfiles(), "", {}, index);
        if (!*r.profile) {
            EXPECT_EQ(plan.error.rfind("매입 목록인지 매출 목록인지 알 수 없습니다", 0), 0u) << r.name << ": " << plan.error;
            EXPECT_EQ(plan.choices.size(), 2u) << r.name;
            // Chosen by name, the list is read.
            const ImportPlan chosen =
                PlanImport(bookOf(sheetOf(r.lines)), 0, ShippedProfiles(), "홈택스 전자세금계산서 매출", {}, index);
            EXPECT_EQ(onlyRow(chosen).category, Category::Income) << r.name;
            continue;
        }
        EXPECT_EQ(plan.profile.name, r.profile) << r.name << ": " << plan.error;
        ASSERT_FALSE(plan.rows.empty()) << r.name;
        EXPECT_EQ(plan.rows[0].category, r.category) << r.name;
        EXPECT_EQ(plan.rows[0].counterparty, r.counterparty) << r.name;
    }
}

// One column per role: a profile giving a role twice is refused, and a
// user's profile takes over from a shipped one only where it reads as well
// and knows more.
TEST(StatementProfiles, OneColumnPerRoleAndTheBetterReaderWins)
{
    TempFolder dir;
    const std::string ini = dir.file("quillcfg.ini");
    using R = ColumnRole;
    StatementProfile proposed;
    proposed.name = "카드 목록";
    proposed.remark = "카드";
    proposed.columns = {{R::Date, "승인일자"}, {R::Counterparty, "가맹점사업자번호"}, {R::Counterparty, "가맹점명"},
                        {R::Counterparty, "가맹점유형"}, {R::Supply, "공급가액"}, {R::Vat, "부가세"}, {R::Amount, "합계"}};
    const IoResult refused = SaveProfile(ini, proposed);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.message, "'거래처' 뜻을 두 열에 골랐습니다. 한 열만 고르세요.");
    EXPECT_TRUE(ReadSavedProfiles(ini).empty());

    const StatementSheet sheet = sheetOf({
        "승인일자,카드번호,승인번호,가맹점사업자번호,가맹점명,가맹점유형,공급가액,부가세,봉사료,합계,공제여부(결정)",
        "2024-03-05,1234,1,123-45-67890,서울주유소,일반,\"50,000\",\"5,000\",0,\"55,000\",공제",
    });
    // A profile saved before the refusal (roles twice) loses to the shipped one.
    std::vector<StatementProfile> profiles{proposed};
    for (const StatementProfile& p : ShippedProfiles())
        profiles.push_back(p);
    auto fits = MatchingProfiles(sheet, profiles);
    ASSERT_FALSE(fits.empty());
    EXPECT_EQ(fits[0]->name, "홈택스 신용카드 매입");
    // The user's own with one more role than the shipped one wins.
    StatementProfile richer = *fits[0];
    richer.name = "내 카드";
    richer.shipped = false;
    richer.columns.push_back({R::Status, "가맹점유형"});
    profiles[0] = richer;
    fits = MatchingProfiles(sheet, profiles);
    EXPECT_EQ(fits[0]->name, "내 카드");
}

// A row without a counterparty is matched by date, amount and description;
// a list on a later sheet is found; the description keeps its own limit.
TEST(StatementMatching, RowsWithoutCounterpartyAndLaterSheets)
{
    WorkingTable ledger;
    fill(ledger, {entry("2024.05.10", "관리비", "", Category::Expense, 150000, 0)});
    LedgerMatchIndex index;
    index.build(ledger);
    StatementProfile p;
    p.name = "메모 목록";
    p.columns = {{ColumnRole::Date, "날짜"}, {ColumnRole::Description, "내용"}, {ColumnRole::Amount, "금액"}};
    const StatementSheet list = sheetOf({"날짜,내용,금액", "2024-05-10,관리비,\"150,000\"", "2024-05-12,관리비,\"150,000\"",
                                         "2024-05-20,관리비,\"150,000\""});
    StatementBook book;
    book.sheets = {sheetOf({"조회조건", "기간,2024-05-01 ~ 2024-05-31"}), list};
    const ImportPlan plan = PlanImport(book, kAnySheet, {p}, "", {}, index);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.sheet, 1);
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].status, ImportStatus::Duplicate) << plan.rows[0].reason;
    EXPECT_EQ(plan.rows[1].status, ImportStatus::Similar);
    EXPECT_EQ(plan.rows[2].status, ImportStatus::New);
    // The first sheet alone has no list.
    EXPECT_NE(PlanImport(book, 0, {p}, "", {}, index).error, "");

    // 20 syllables: the counterparty field takes 16, the description all.
    const std::string name = "가나다라마바사아자차카타파하가나다라마바";
    StatementProfile card;
    card.name = "긴 이름";
    card.columns = {{ColumnRole::Date, "날짜"}, {ColumnRole::Counterparty, "가맹점"}, {ColumnRole::Amount, "금액"}};
    const ImportPlan longName = PlanImport(bookOf(sheetOf({"날짜,가맹점,금액", "2024-05-10," + name + ",1000"})), 0,
                                           {card}, "", {}, index);
    const ImportRow& row = onlyRow(longName);
    EXPECT_EQ(row.description, name);
    EXPECT_EQ(row.counterparty, name.substr(0, 16 * 3));
}

// What a read refuses says what it is: an empty file, an xlsb.
TEST(StatementReaders, EmptyFilesAndXlsbSaySo)
{
    TempFolder dir;
    writeAll(dir.file("empty.csv"), "\xEF\xBB\xBF \r\n");
    const StatementReadResult empty = ReadStatementFile(dir.file("empty.csv"));
    EXPECT_EQ(empty.error.kind, StatementReadError::Kind::Empty);
    EXPECT_EQ(empty.error.message, "파일이 비어 있습니다: " + dir.file("empty.csv"));
    writeAll(dir.file("list.xlsb"), std::string("PK\x03\x04", 4) + std::string(26, '\0') + "xl/workbook.bin");
    const StatementReadResult xlsb = ReadStatementFile(dir.file("list.xlsb"));
    EXPECT_EQ(xlsb.error.kind, StatementReadError::Kind::UnknownFormat);
    EXPECT_EQ(xlsb.error.message.rfind("xlsb는 읽을 수 없습니다. 엑셀에서 xlsx로 저장한 뒤", 0), 0u) << xlsb.error.message;
}
