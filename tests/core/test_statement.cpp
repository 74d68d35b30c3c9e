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
        {"utf-16le", utf16(korean, false), StatementEncoding::Utf16, false, ',', table},
        {"utf-16be", utf16(korean, true), StatementEncoding::Utf16, false, ',', table},
        {"cp949", cp949(korean), StatementEncoding::Cp949, false, ',', table},
        {"tab", "a\tb\tc\n1\t\"x\ty\"\t3\n", StatementEncoding::Utf8, false, '\t', {{"a", "b", "c"}, {"1", "x\ty", "3"}}},
        {"semicolon", "제목\na;b;c\n1;\"2;\"\"3\"\"\";4\n", StatementEncoding::Utf8, false, ';',
         {{"제목"}, {"a", "b", "c"}, {"1", "2;\"3\"", "4"}}},
        {"pipe", "a|b\n1|2\n", StatementEncoding::Utf8, false, '|', {{"a", "b"}, {"1", "2"}}},
        // Two bytes that read as one Hangul syllable in either encoding.
        {"close guess", "a,카각\n", StatementEncoding::Utf8, true, ',', {{"a", "카각"}}},
        {"unterminated quote", "a,\"b\nc", StatementEncoding::Utf8, false, ',', {{"a", "b\nc"}}},
    };
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
          {"2024.03.12", "맛나식당 \"본점\"", "맛나식당 \"본점\"", E, 20000, 2000, "카드"}}},
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
    EXPECT_EQ(ImportReport(booked.counts), "3건 가져옴, 1건 중복 제외, 1건 오류");
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
