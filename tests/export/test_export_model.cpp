// SPDX-License-Identifier: GPL-3.0-or-later
// The export workbook as data: how settings on shared lines resolve, what
// the two sheets hold, the stored totals, the limits and the file writer's
// failures.
#include "core/text/Cp949.h"
#include "core/export/ExportWorkbook.h"
#include "core/export/SheetCanvas.h"
#include "core/export/XlsxWriter.h"
#include "core/ledger/Money.h"
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <functional>
#include <set>
#include <unistd.h>

using namespace quill;
using namespace quill::xl;

namespace {

std::string cp(std::string_view utf8) { return encodeCp949(utf8).bytes.value(); }

LedgerEntry entry(std::string_view day, std::array<double, 6> amounts, std::string_view jkyu = "",
                  std::string_view sangho = "", std::string_view etc = "")
{
    LedgerEntry e;
    e.IDAY = day;
    e.JKYU = cp(jkyu);
    e.SANGHO = cp(sangho);
    e.ETC = cp(etc);
    for (int f = 0; f < kMoneyFieldCount; ++f)
        setMoneyValue(e, f, amounts[static_cast<std::size_t>(f)]);
    return e;
}

void fill(WorkingTable& t, const std::vector<LedgerEntry>& rows)
{
    for (const LedgerEntry& e : rows)
        t.appendRaw(e);
    t.orderBy("IDAY");
    t.open();
}

const CellFormat& fmt(const Workbook& b, const Sheet& s, const char* a1) { return b.formats[s.at(a1).format]; }
std::string textOf(const Sheet& s, const char* a1) { return std::string(s.text(s.at(a1))); }

constexpr BorderLine kNone{};
constexpr BorderLine line(LineWeight w, Colour c = kAutomatic) { return {w, c}; }

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillexport-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            out.insert(e.path().filename().string());
        return out;
    }

private:
    std::string path_;
};

std::string readAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The ledger sheet of the rows the table shows, as the export builds it.
Sheet ledgerSheet(Workbook& book, const WorkingTable& t, const ExportOptions& o)
{
    return BuildLedgerSheet(book, t.recordCount(), [&](int i) -> const LedgerEntry& { return t.visibleRow(i); }, o);
}

} // namespace

// --- lines shared by neighbouring cells ---------------------------------------

TEST(SheetCanvas, LaterSettingWinsOnALineWhicheverCellItCameThrough)
{
    Workbook b;
    SheetCanvas s(b, "x", 4, 4);
    s.edgeWeight({0, 0, 0, 0}, Edge::Right, LineWeight::Thick);
    s.edgeWeight({0, 1, 0, 1}, Edge::Left, LineWeight::Thin);   // the same line, from B1
    s.edgeColour({1, 0, 1, 1}, Edge::Bottom, kBlack);           // a missing line becomes thin
    s.edgeWeight({1, 0, 1, 0}, Edge::Top, LineWeight::Medium);
    s.gridColour({1, 0, 1, 0}, kWhite);                         // keeps the weight, takes the colour
    Sheet sh = s.finish();

    EXPECT_EQ(fmt(b, sh, "A1").right, line(LineWeight::Thin));
    EXPECT_EQ(fmt(b, sh, "B1").left, line(LineWeight::Thin));
    EXPECT_EQ(fmt(b, sh, "A2").bottom, line(LineWeight::Thin, kWhite));
    EXPECT_EQ(fmt(b, sh, "A3").top, line(LineWeight::Thin, kWhite));
    EXPECT_EQ(fmt(b, sh, "B2").bottom, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(b, sh, "B3").top, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(b, sh, "A2").top, line(LineWeight::Medium, kWhite));
    EXPECT_EQ(fmt(b, sh, "A1").bottom, line(LineWeight::Medium, kWhite));
    EXPECT_EQ(fmt(b, sh, "B2").left, line(LineWeight::Thin, kWhite));
    EXPECT_EQ(fmt(b, sh, "C3").left, kNone);
    // Cells that look alike share one format.
    EXPECT_EQ(sh.at("D4").format, sh.at("C4").format);
}

TEST(SheetCanvas, RefusesLinesItCannotGiveToBothCells)
{
    Workbook b;
    SheetCanvas s(b, "x", 2, 2);
    s.edgeWeight({0, 1, 0, 1}, Edge::Right, LineWeight::Thin);
    EXPECT_THROW(s.finish(), std::logic_error);
    SheetCanvas t(b, "y", 2, 2);
    t.merge({0, 0, 0, 1});
    EXPECT_THROW(t.merge({0, 1, 1, 1}), std::logic_error);
    EXPECT_THROW(t.bold({0, 0, 2, 0}), std::out_of_range);
}

// --- the ledger sheet -----------------------------------------------------------

TEST(LedgerSheet, HeaderRowsOfAnEmptyView)
{
    WorkingTable t;
    fill(t, {});
    Workbook b;
    Sheet s = ledgerSheet(b, t, {});

    EXPECT_EQ(s.name, "장부");
    const std::vector<CellRange> merges = {parseRange("A1:K1"), parseRange("A2:B2"), parseRange("E2:F2"),
                                           parseRange("G2:H2"), parseRange("I2:J2"), parseRange("A3:B3"),
                                           parseRange("K2:K3")};
    EXPECT_EQ(s.merges, merges);
    EXPECT_EQ(textOf(s, "A1"), "간 편 장 부");
    EXPECT_TRUE(fmt(b, s, "A1").bold);
    EXPECT_EQ(fmt(b, s, "A1").fontSize, 18);
    EXPECT_EQ(fmt(b, s, "A1").horizontal, HAlign::Center);
    const char* row2[] = {"①", "", "②", "③", "④수입", "", "⑤비용", "", "⑥고정자산증감", "", "⑦비고"};
    const char* row3[] = {"날짜", "", "거래내용", "거래처", "금액", "부가세", "금액", "부가세", "금액", "부가세", ""};
    for (int col = 0; col <= 10; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(s.text(s.cell(1, col)), row2[col]);
        EXPECT_EQ(s.text(s.cell(2, col)), row3[col]);
        for (int row : {1, 2}) {
            const CellFormat& f = b.formats[s.cell(row, col).format];
            EXPECT_EQ(f.fontSize, 12);
            EXPECT_FALSE(f.bold);
            EXPECT_EQ(f.horizontal, HAlign::Center);
            EXPECT_EQ(f.fill, rgb(255, 255, 128));
            // Row 2 has no line inside its merged pairs E:F, G:H and I:J.
            const bool inPair = row == 1 && (col == 5 || col == 7 || col == 9);
            EXPECT_EQ(f.left, inPair ? kNone : line(LineWeight::Thin));
        }
    }
    const CellFormat& whole = b.formats[s.columnFormat];
    EXPECT_EQ(whole.fontName, "돋움");
    EXPECT_EQ(whole.fontSize, 10);
    EXPECT_EQ(whole.fontColour, kBlack);
    EXPECT_EQ(whole.vertical, VAlign::Center);
    EXPECT_EQ(whole.fill, kNoFill);

    const double widths[] = {2.33, 2.33, 20, 15, 16, 16, 16, 16, 16, 16, 11, 8.11, 8.11};
    for (int col = 0; col < 13; ++col)
        EXPECT_EQ(s.columnWidth(col), widths[col]) << col;
    EXPECT_EQ(s.rowHeight(0), 42);
    EXPECT_EQ(s.rowHeight(1), 21);
    EXPECT_EQ(s.rowHeight(2), 21);
    EXPECT_EQ(s.rowHeight(3), 35.25);
    EXPECT_EQ(s.rowHeight(500000), 35.25);

    EXPECT_EQ(fmt(b, s, "F1").bottom, line(LineWeight::Medium));
    EXPECT_EQ(fmt(b, s, "F2").top, line(LineWeight::Medium));
    EXPECT_EQ(fmt(b, s, "F2").left, kNone);           // inside E2:F2
    EXPECT_EQ(fmt(b, s, "F2").bottom, line(LineWeight::Thin));
    EXPECT_EQ(fmt(b, s, "D2").bottom, kNone);
    EXPECT_EQ(fmt(b, s, "K2").right, line(LineWeight::Thin));
    EXPECT_EQ(fmt(b, s, "L2").left, kNone);  // K2's right line stays on K2, or L would print a page of it
    EXPECT_EQ(fmt(b, s, "C3").bottom, line(LineWeight::Thick));
    // Without entries the data formats still cover row 4, and no grid is drawn.
    EXPECT_EQ(fmt(b, s, "C4").numberFormat, "@");
    EXPECT_TRUE(fmt(b, s, "K4").wrap);
    EXPECT_EQ(fmt(b, s, "E4").numberFormat, kAmountFormat);
    EXPECT_TRUE(fmt(b, s, "J4").shrink);
    EXPECT_EQ(fmt(b, s, "C4").top, kNone);  // the header's thick line stays on row 3
    EXPECT_EQ(fmt(b, s, "C4").bottom, kNone);
    EXPECT_EQ(s.at("A4").kind, CellKind::Empty);
    EXPECT_EQ(s.at("C5").format, s.columnFormat);
}

TEST(LedgerSheet, OneEntryFillsRowFourAndFormatsRowFive)
{
    WorkingTable t;
    fill(t, {entry("2024.03.15", {0, 0, 5000, 500, 0, 0}, "커피 원두", "(주)한빛상회", "카드")});
    Workbook b;
    Sheet s = ledgerSheet(b, t, {});

    EXPECT_EQ(s.at("A4").kind, CellKind::Number);
    EXPECT_EQ(s.at("A4").number, 3);
    EXPECT_EQ(s.at("B4").number, 15);
    EXPECT_EQ(textOf(s, "C4"), "커피 원두");
    EXPECT_EQ(textOf(s, "D4"), "(주)한빛상회");
    EXPECT_EQ(textOf(s, "K4"), "카드");
    EXPECT_EQ(s.at("E4").kind, CellKind::Empty);
    EXPECT_EQ(s.at("G4").number, 5000);
    EXPECT_EQ(s.at("H4").number, 500);

    for (const char* a : {"C4", "G4", "K4"}) {
        SCOPED_TRACE(a);
        const CellFormat& f = fmt(b, s, a);
        for (const BorderLine& l : {f.left, f.right, f.top, f.bottom})
            EXPECT_EQ(l, line(LineWeight::Thin, kBlack));
    }
    EXPECT_EQ(fmt(b, s, "A4").left, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(b, s, "A4").right, line(LineWeight::Hairline, kBlack));
    EXPECT_EQ(fmt(b, s, "B4").left, line(LineWeight::Hairline, kBlack));
    EXPECT_EQ(fmt(b, s, "A4").bottom, line(LineWeight::Thin));
    EXPECT_EQ(fmt(b, s, "A4").top, line(LineWeight::Thick));  // under the header, untouched by the grid
    EXPECT_EQ(fmt(b, s, "B3").bottom, line(LineWeight::Thick));
    EXPECT_EQ(fmt(b, s, "L4").left, kNone);

    // Row 5: formats only; the closing lines are row 4's own.
    EXPECT_EQ(fmt(b, s, "D5").numberFormat, "@");
    EXPECT_TRUE(fmt(b, s, "H5").shrink);
    EXPECT_EQ(fmt(b, s, "H5").top, kNone);
    EXPECT_EQ(fmt(b, s, "B5").top, kNone);
    EXPECT_EQ(fmt(b, s, "H4").bottom, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(b, s, "A5").left, kNone);
    EXPECT_EQ(fmt(b, s, "H5").bottom, kNone);
    EXPECT_EQ(s.rows(), 5);
}

TEST(LedgerSheet, TextsStayTextsAndZeroAmountsStayEmpty)
{
    const std::string fullWidth = std::string("가나다라마바사아자차카타파하가나다라마바사아") + "!";  // 45 bytes in CP949
    WorkingTable t;
    fill(t, {entry("2024.01.02", {-1234567, -0.5, 0, 0, 0, 0}, "=SUM(A1:A9)", "0123", "2024.01.02"),
             entry("2024.01.03", {0, 0, 0, 0, 0, 0}, fullWidth, "-5", "1e5"),
             entry("2024.01.04", {0, 0, 0, 0, 12.25, 1}, "+1", "@", "")});
    ASSERT_EQ(t.visibleRow(1).JKYU.len, 45);
    Workbook b;
    Sheet s = ledgerSheet(b, t, {});

    struct Expect {
        const char* cell;
        std::string text;
    };
    for (const Expect& e : {Expect{"C4", "=SUM(A1:A9)"}, Expect{"D4", "0123"}, Expect{"K4", "2024.01.02"},
                            Expect{"C5", fullWidth}, Expect{"D5", "-5"}, Expect{"K5", "1e5"}, Expect{"C6", "+1"},
                            Expect{"D6", "@"}}) {
        SCOPED_TRACE(e.cell);
        EXPECT_EQ(s.at(e.cell).kind, CellKind::Text);
        EXPECT_EQ(textOf(s, e.cell), e.text);
    }
    EXPECT_EQ(s.at("K6").kind, CellKind::Empty);
    EXPECT_EQ(s.at("E4").number, -1234567);
    EXPECT_EQ(s.at("F4").number, -0.5);
    for (const char* a : {"G4", "E5", "F5", "G5", "H5", "I5", "J5", "E6", "H6"})
        EXPECT_EQ(s.at(a).kind, CellKind::Empty) << a;
    EXPECT_EQ(s.at("I6").number, 12.25);
    EXPECT_EQ(s.at("J6").number, 1);
}

struct MonthDayCase {
    const char* day;
    std::optional<double> month, dayNumber;
    const char* monthText;
    const char* dayText;
};

class LedgerDates : public ::testing::TestWithParam<MonthDayCase> {};

TEST_P(LedgerDates, MonthAndDayAreNumbersWhenTheyReadAsOne)
{
    const MonthDayCase& c = GetParam();
    WorkingTable t;
    fill(t, {entry(c.day, {1, 0, 0, 0, 0, 0})});
    Workbook b;
    Sheet s = ledgerSheet(b, t, {});
    auto check = [&](const char* a, std::optional<double> number, const char* text) {
        SCOPED_TRACE(a);
        Cell cell = s.at(a);
        if (number) {
            EXPECT_EQ(cell.kind, CellKind::Number);
            EXPECT_EQ(cell.number, *number);
        } else if (*text) {
            EXPECT_EQ(cell.kind, CellKind::Text);
            EXPECT_EQ(s.text(cell), text);
        } else {
            EXPECT_EQ(cell.kind, CellKind::Empty);
        }
    };
    check("A4", c.month, c.monthText);
    check("B4", c.dayNumber, c.dayText);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LedgerDates,
    ::testing::Values(MonthDayCase{"2024.03.15", 3, 15, "", ""}, MonthDayCase{"2024.12.01", 12, 1, "", ""},
                      MonthDayCase{"2024.00.00", 0, 0, "", ""}, MonthDayCase{"2024.3.15", 3, 5, "", ""},
                      MonthDayCase{"    .  .  ", std::nullopt, std::nullopt, "  ", "  "},
                      MonthDayCase{"2024.ab.c ", std::nullopt, std::nullopt, "ab", "c "},
                      MonthDayCase{"2024. 3. 7", 3, 7, "", ""}, MonthDayCase{"2024.-1..5", -1, 0.5, "", ""},
                      MonthDayCase{"2024..", std::nullopt, std::nullopt, ".", ""},
                      MonthDayCase{"2024", std::nullopt, std::nullopt, "", ""}),
    // The date with everything but letters and digits spelled out, so each
    // case reads as its date in the test list.
    [](const ::testing::TestParamInfo<MonthDayCase>& info) {
        std::string name = std::to_string(info.index) + "_";
        for (const char* p = info.param.day; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? std::string(1, *p)
                    : *p == '.' ? std::string("_")
                    : *p == ' ' ? std::string("s")
                                : std::string("x");
        return name;
    });

// --- the statistics sheet ---------------------------------------------------------

namespace {

struct Built {
    Workbook book;
    const Sheet& ledger() const { return book.sheets[0]; }
    const Sheet& stats() const { return book.sheets[1]; }
};

// The workbook the export streams, as a model held whole: the ledger
// sheet, the statistics sheets and the hidden third sheet.
Workbook wholeWorkbook(const WorkingTable& t, const ExportOptions& o)
{
    Workbook book;
    book.sheets.push_back(ledgerSheet(book, t, o));
    YearBlocks years;
    LedgerRowCells cells;
    for (int i = 0; i < t.recordCount(); ++i) {
        LedgerRow(t.visibleRow(i), cells);
        years.add(t.visibleRow(i), cells);
    }
    AddStatisticsSheets(book, years.blocks(), t.recordCount(), o);
    Sheet third;
    third.name = "Sheet3";
    third.hidden = true;
    book.sheets.push_back(std::move(third));
    book.sheets.front().selected = true;
    book.sheets.front().active = true;
    return book;
}

// A model written whole through the one writer: every row of the first
// sheet is a head row, none is streamed.
IoResult writeWhole(Workbook& book, const std::string& path)
{
    StreamedSheet all;
    all.model = &book.sheets.front();
    all.headRows = all.tailFrom = book.sheets.front().rows();
    all.rows = [](const StreamedSheet::Emit&) { return IoResult::success(); };
    return WriteStreamedWorkbookFile(book, all, [](Workbook&) { return IoResult::success(); }, path);
}

Built build(const WorkingTable& t, ExportOptions o = {}) { return {wholeWorkbook(t, o)}; }

} // namespace

TEST(StatisticsSheet, LabelsAndFormulaTexts)
{
    WorkingTable t;
    fill(t, {entry("2024.01.05", {1, 0, 0, 0, 0, 0})});
    Built w = build(t);
    const Sheet& s = w.stats();
    EXPECT_EQ(s.name, "통계");
    EXPECT_EQ(textOf(s, "A1"), "기간별 합계 금액");
    EXPECT_EQ(s.at("A2").kind, CellKind::Formula);
    EXPECT_EQ(textOf(s, "A2"), "=장부!A1");
    EXPECT_TRUE(s.at("A2").textResult);
    EXPECT_EQ(s.resultText(s.at("A2")), "간 편 장 부");
    EXPECT_EQ(textOf(s, "D5"), "=SUMIF(장부!$A$4:$A$65536,1,장부!$E$4:$E$65536)");
    EXPECT_EQ(textOf(s, "G15"), "=SUMIF(장부!$A$4:$A$65536,8,장부!$H$4:$H$65536)");
    EXPECT_EQ(textOf(s, "I20"), "=SUMIF(장부!$A$4:$A$65536,12,장부!$J$4:$J$65536)");
    EXPECT_EQ(textOf(s, "I21"), "=SUM(I18:I20)");
    EXPECT_EQ(textOf(s, "E8"), "=SUM(E5:E7)");
    EXPECT_EQ(textOf(s, "D13"), "=D8+D12");
    EXPECT_EQ(textOf(s, "H22"), "=H17+H21");
    EXPECT_EQ(textOf(s, "F24"), "=F13+F22+F23");
    EXPECT_EQ(textOf(s, "C18"), "10월");
    EXPECT_EQ(textOf(s, "B8"), " 1분기 합계");
    EXPECT_EQ(textOf(s, "A13"), " 상반기 합계");
    EXPECT_EQ(textOf(s, "A24"), "연 합계");
    EXPECT_EQ(textOf(s, "A23"), "일자 없음");
    EXPECT_EQ(textOf(s, "D23"), "=SUM(장부!$E$4:$E$65536)-D13-D22");
    EXPECT_EQ(fmt(w.book, s, "D23").fill, kNoFill);
}

// The year totals of the statistics sheets add up to the ledger sheet:
// undated rows in their own row, each year on a sheet of its own.
TEST(StatisticsSheet, YearTotalsAddUpToTheLedgerSheet)
{
    struct Case {
        const char* what;
        std::vector<LedgerEntry> rows;
        std::vector<std::string> sheets;
        std::vector<double> undated;  // D23 of each sheet
    };
    const std::vector<Case> cases = {
        {"one year",
         {entry("2024.01.05", {1000.5, 100.25, 0, 0, 0, 0}), entry("2024.02.05", {0, 0, 5000, 500, 0, 0}),
          entry("2024.05.31", {0, 0, -700, -70, 0, 0}), entry("2024.08.01", {0, 0, 0, 0, 0.0001, 0}),
          entry("2024.12.31", {99999999999, 0, 0, 0, 0, 0})},
         {"통계"},
         {0}},
        {"months outside 1 to 12",
         {entry("2024.00.05", {10, 0, 0, 0, 0, 0}), entry("2024.13.05", {20, 0, 0, 0, 0, 0}),
          entry("    .  .  ", {40, 0, 0, 0, 0, 0}), entry("2024.04.05", {1, 0, 0, 0, 0, 0})},
         {"통계"},
         {70}},
        {"two years",
         {entry("2023.03.01", {3, 0, 0, 0, 0, 0}), entry("", {0, 0, 9, 0, 0, 0}), entry("2024.03.02", {5, 0, 0, 0, 0, 0}),
          entry("2024.00.01", {7, 0, 0, 0, 0, 0})},
         {"통계 2023", "통계 2024"},
         {0, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WorkingTable t;
        fill(t, c.rows);
        Built w = build(t);
        ASSERT_EQ(w.book.sheets.size(), c.sheets.size() + 2);
        const LedgerTotals totals = SumVisibleRows(t);
        std::array<WideTenths, 6> years{};
        for (std::size_t k = 0; k < c.sheets.size(); ++k) {
            const Sheet& s = w.book.sheets[k + 1];
            EXPECT_EQ(s.name, c.sheets[k]);
            EXPECT_EQ(s.at("D23").number, c.undated[k]);
            for (int f = 0; f < 6; ++f) {
                years[static_cast<std::size_t>(f)] += toWideTenThousandths(s.cell(23, 3 + f).number);
                // 연 합계 = 상반기 + 하반기 + 일자 없음
                EXPECT_EQ(s.cell(23, 3 + f).number,
                          s.cell(12, 3 + f).number + s.cell(21, 3 + f).number + s.cell(22, 3 + f).number);
            }
        }
        EXPECT_EQ(years, totals.sums);
    }
    // March of 2023 stays out of March 2024; each sheet reads its own rows
    // (the undated row stands with 2023, the year it follows).
    WorkingTable t;
    fill(t, cases[2].rows);
    Built w = build(t);
    EXPECT_EQ(w.book.sheets[1].at("D7").number, 3);
    EXPECT_EQ(w.book.sheets[2].at("D7").number, 5);
    EXPECT_EQ(textOf(w.book.sheets[2], "D7"), "=SUMIF(장부!$A$6:$A$7,3,장부!$E$6:$E$7)");
    EXPECT_EQ(textOf(w.book.sheets[2], "F23"), "=SUM(장부!$G$6:$G$7)-F13-F22");
    // Each year's sheet names its year in the page heading, not the whole period.
    {
        struct Heading {
            const char* period;
            const char* sheet2023;
            const char* sheet2024;
        };
        const Heading headings[] = {{"전체 기간", "&R2023년", "&R2024년"},
                                    {"전체 기간 · 수입", "&R2023년 · 수입", "&R2024년 · 수입"},
                                    {"2024년", "&R2024년 · 2023년", "&R2024년"}};
        for (const Heading& hd : headings) {
            ExportOptions o;
            o.period = hd.period;
            Built years = build(t, o);
            ASSERT_EQ(years.book.sheets.size(), 4u);
            EXPECT_EQ(years.book.sheets[1].pageSetup->header, hd.sheet2023) << hd.period;
            EXPECT_EQ(years.book.sheets[2].pageSetup->header, hd.sheet2024) << hd.period;
        }
    }
}

TEST(StatisticsSheet, BordersFollowTheirOrder)
{
    WorkingTable t;
    fill(t, {});
    Built w = build(t);
    const Sheet& s = w.stats();
    const CellFormat& book = w.book.formats[s.columnFormat];
    const BorderLine white = line(LineWeight::Thin, kWhite), hair = line(LineWeight::Hairline, kBlack),
                     hairWhite = line(LineWeight::Hairline, kWhite);
    for (const BorderLine& l : {book.left, book.right, book.top, book.bottom})
        EXPECT_EQ(l, white);
    struct Edges {
        const char* cell;
        BorderLine left, right, top, bottom;
    };
    const Edges expected[] = {
        {"A1", white, white, white, white},
        {"C2", white, white, white, hair},                // order 3 over the header's top line
        {"A3", hair, hair, hair, hair},
        {"I4", hair, hair, hair, hair},
        {"E10", hair, hair, hair, hair},
        {"D5", hairWhite, hair, hair, hair},               // its left line is C5's right, turned white by order 4
        {"A5", hair, hairWhite, hair, hair},
        {"B9", hairWhite, hairWhite, hair, hair},
        {"C20", hairWhite, hairWhite, hair, hair},
        {"A24", hair, hairWhite, hair, hair},
        {"A25", white, white, hair, white},               // below row 24
        {"J5", hair, white, white, white},                // right of column I
        {"J2", white, white, white, white},
    };
    for (const Edges& e : expected) {
        SCOPED_TRACE(e.cell);
        const CellFormat& f = fmt(w.book, s, e.cell);
        EXPECT_EQ(f.left, e.left);
        EXPECT_EQ(f.right, e.right);
        EXPECT_EQ(f.top, e.top);
        EXPECT_EQ(f.bottom, e.bottom);
    }
}

TEST(StatisticsSheet, FillsFontsAndSizes)
{
    WorkingTable t;
    fill(t, {});
    Built w = build(t);
    const Sheet& s = w.stats();
    const Colour yellow = rgb(255, 255, 128), green = rgb(202, 247, 172), orange = rgb(253, 210, 172),
                 pink = rgb(255, 128, 255);
    struct Fill {
        const char* cell;
        Colour colour;
    };
    for (const Fill& f : {Fill{"A3", yellow}, Fill{"I4", yellow}, Fill{"A8", kNoFill}, Fill{"B8", green},
                          Fill{"I21", green}, Fill{"A13", orange}, Fill{"I22", orange}, Fill{"A24", pink},
                          Fill{"I24", pink}, Fill{"D5", kNoFill}, Fill{"J24", kNoFill}, Fill{"A23", kNoFill}})
        EXPECT_EQ(fmt(w.book, s, f.cell).fill, f.colour) << f.cell;
    EXPECT_EQ(fmt(w.book, s, "A1").fontSize, 20);
    EXPECT_EQ(fmt(w.book, s, "A2").fontSize, 18);
    EXPECT_TRUE(fmt(w.book, s, "A2").bold);
    EXPECT_EQ(fmt(w.book, s, "H3").fontSize, 12);
    EXPECT_TRUE(fmt(w.book, s, "G4").bold);
    EXPECT_TRUE(fmt(w.book, s, "C5").bold);
    EXPECT_EQ(fmt(w.book, s, "C5").horizontal, HAlign::Center);
    EXPECT_FALSE(fmt(w.book, s, "D5").bold);
    EXPECT_TRUE(fmt(w.book, s, "D8").bold);
    EXPECT_EQ(fmt(w.book, s, "B8").horizontal, HAlign::General);
    EXPECT_EQ(fmt(w.book, s, "I24").numberFormat, kAmountFormat);
    EXPECT_TRUE(fmt(w.book, s, "I24").shrink);
    EXPECT_EQ(fmt(w.book, s, "C24").numberFormat, "");
    EXPECT_EQ(w.book.formats[s.columnFormat].fontSize, 11);
    EXPECT_EQ(s.columnWidth(0), 5);
    EXPECT_EQ(s.columnWidth(1), 7);
    EXPECT_EQ(s.columnWidth(2), 5);
    EXPECT_EQ(s.columnWidth(3), 21.5);
    EXPECT_EQ(s.columnWidth(8), 21.5);
    EXPECT_EQ(fmt(w.book, s, "D5").fontSize, 10);  // amounts a point smaller than the labels
    EXPECT_EQ(fmt(w.book, s, "I24").fontSize, 10);
    EXPECT_EQ(s.columnWidth(40), 12.78);
    EXPECT_EQ(s.rowHeight(0), 25.5);
    EXPECT_EQ(s.rowHeight(1), 22.5);
    EXPECT_EQ(s.rowHeight(2), 20.5);
    EXPECT_EQ(s.rowHeight(3), 20.5);
    EXPECT_EQ(s.rowHeight(4), 21);
    // Fits A4 across and down between its margins without scaling.
    double height = 0, width = 0;
    for (int r = 0; r < 24; ++r)
        height += s.rowHeight(r);
    for (int c = 0; c < 9; ++c)
        width += (static_cast<int>(s.columnWidth(c) * 7 + 0.5) + 5) * 72.0 / 96;  // pixels of a 7-pixel digit
    EXPECT_LE(height, 595.3 - 50 - 30);
    EXPECT_LE(width, 841.9 - 20 - 12);
}

TEST(LedgerSheet, AmountColumnsHoldTheirWidestAmountWhole)
{
    struct Case {
        double value;
        std::size_t chars;
    };
    const Case cases[] = {{0, 1}, {7, 1}, {-7, 2}, {1000, 5}, {999999999999, 15}, {-999999999999, 16},
                          {1001031999000, 17}, {-250.5, 6}, {25000.25, 9}, {0.0001, 6}};
    for (const Case& c : cases)
        EXPECT_EQ(AmountTextLength(c.value), c.chars) << c.value;
    WorkingTable t;
    fill(t, {entry("2024.01.05", {1000, 0, -999999999999, 0, 0, 0}), entry("2024.01.06", {0, 0, 0, 0, 0, 25000.25})});
    Built w = build(t);
    EXPECT_EQ(w.ledger().columnWidth(4), 16);   // E: the form's width
    EXPECT_EQ(w.ledger().columnWidth(6), 18);   // G: "-999,999,999,999" and the padding
    EXPECT_EQ(w.ledger().columnWidth(9), 16);   // J: "25,000.25" fits the form's width
}

TEST(StatisticsSheet, RangesReachTheLastEntryBeyondRow65536)
{
    for (int n : {65533, 65534}) {
        SCOPED_TRACE(n);
        WorkingTable t;
        t.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n - 1; ++i)
            t.appendRaw(entry("2024.01.01", {1, 0, 0, 0, 0, 0}));
        t.appendRaw(entry("2024.12.31", {0, 0, 0, 0, 0, 7}));  // the last row of the sheet
        t.orderBy("IDAY");
        t.open();
        Built w = build(t);
        const std::string end = std::to_string(std::max(65536, n + 3));
        EXPECT_EQ(textOf(w.stats(), "I20"), "=SUMIF(장부!$A$4:$A$" + end + ",12,장부!$J$4:$J$" + end + ")");
        EXPECT_EQ(w.stats().at("I24").number, 7);
        EXPECT_EQ(w.stats().at("D24").number, n - 1);
    }
}

// --- the workbook -------------------------------------------------------------------

TEST(ExportWorkbook, ThreeSheetsAndThePageSetupAlways)
{
    WorkingTable t;
    fill(t, {entry("2024.01.05", {1, 0, 0, 0, 0, 0})});
    ExportOptions o;
    o.ledgerName = "A&B.Aut";
    o.period = "2024년";
    o.exportDate = "2026.12.10";
    Built plain = build(t, o);
    ASSERT_EQ(plain.book.sheets.size(), 3u);
    EXPECT_EQ(plain.book.sheets[2].name, "Sheet3");
    EXPECT_TRUE(plain.book.sheets[2].hidden);
    EXPECT_FALSE(plain.book.sheets[0].hidden || plain.book.sheets[1].hidden);
    EXPECT_TRUE(plain.ledger().selected && plain.ledger().active);
    EXPECT_FALSE(plain.stats().selected || plain.stats().active);
    // A4 across on every machine, the ledger one page wide, the totals one page.
    PageSetup ledger{9, true, 20, 12, 50, 30, 1, 0, "&LA&&B.Aut&R2024년", "&C- &P / &N -&R2026.12.10"};
    PageSetup stats{9, true, 20, 12, 50, 30, 1, 1, ledger.header, ledger.footer};
    EXPECT_EQ(plain.ledger().pageSetup, ledger);
    EXPECT_EQ(plain.stats().pageSetup, stats);
    EXPECT_EQ(plain.book.defaultFontName, "돋움");
}

TEST(ExportWorkbook, ExportsTheFilteredRowsWithoutMovingTheCursor)
{
    WorkingTable t;
    fill(t, {entry("2024.02.01", {1, 0, 0, 0, 0, 0}, "a"), entry("2024.03.01", {0, 0, 2, 0, 0, 0}, "b"),
             entry("2024.03.09", {3, 0, 0, 0, 0, 0}, "c"), entry("2024.04.01", {4, 0, 0, 0, 0, 0}, "d")});
    t.setFilter(LedgerFilter::fromControls(0, "2024", 3, "03"));
    t.setFiltered(true);
    t.moveTo(1);
    int notes = 0;
    t.setDataChanged([&] { ++notes; });
    Built w = build(t);
    EXPECT_EQ(t.recNo(), 1);
    EXPECT_EQ(notes, 0);
    EXPECT_EQ(w.ledger().rows(), 2 + 4);
    EXPECT_EQ(textOf(w.ledger(), "C4"), "b");
    EXPECT_EQ(textOf(w.ledger(), "C5"), "c");
    EXPECT_EQ(w.stats().at("D7").number, 3);
    EXPECT_EQ(w.stats().at("D6").number, 0);
}

TEST(ExportWorkbook, MoreEntriesThanASheetHoldsIsRefusedAndNothingIsWritten)
{
    WorkingTable t;
    std::vector<LedgerEntry> rows(7, entry("2024.01.01", {1, 0, 0, 0, 0, 0}));
    fill(t, rows);
    ExportOptions o;
    TempFolder dir;
    o.sheetRowLimit = 11;  // header, 7 entries and the format row
    EXPECT_TRUE(ExportLedger(t, dir.file("fits.xlsx"), o));
    EXPECT_EQ(dir.names(), std::set<std::string>{"fits.xlsx"});
    o.sheetRowLimit = 10;
    IoResult written = ExportLedger(t, dir.file("x.xlsx"), o);
    EXPECT_FALSE(written);
    EXPECT_NE(written.message.find("7건"), std::string::npos) << written.message;
    EXPECT_NE(written.message.find("6건"), std::string::npos) << written.message;
    EXPECT_EQ(dir.names(), std::set<std::string>{"fits.xlsx"});
}

TEST(WriteStreamedWorkbookFile, AFailureKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    TempFolder dir;
    const std::string target = dir.file("간편장부.xlsx");
    { std::ofstream(target) << "old"; }
    Workbook bad;
    Sheet s;
    s.name = "a[b]";  // a name no workbook may carry
    bad.sheets.push_back(s);
    IoResult r = writeWhole(bad, target);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(dir.names(), std::set<std::string>{"간편장부.xlsx"});

    EXPECT_FALSE(writeWhole(bad, dir.file("missing/x.xlsx")));

    WorkingTable t;
    fill(t, {entry("2024.01.05", {1, 0, 0, 0, 0, 0})});
    ASSERT_TRUE(ExportLedger(t, target));
    EXPECT_EQ(readAll(target).substr(0, 2), "PK");  // replaced by the workbook
    EXPECT_EQ(dir.names(), std::set<std::string>{"간편장부.xlsx"});
}

// The streamed export against the workbook model written whole: the same
// file, cell by cell, for every shape of the data rows' borders (one, two,
// three and many entries, zero amounts, texts, months outside 1-12), with
// and without long texts and a second year, and for rows beyond one screen
// of formats.
TEST(StreamedExport, WritesTheWorkbookTheModelDescribes)
{
    const std::string compare = std::string(QB_EXPORT_TEST_DIR) + "/compare_workbooks.py";
    if (access("/usr/bin/python3", X_OK) != 0)
        GTEST_SKIP() << "no /usr/bin/python3 to read the workbooks back";
    std::vector<LedgerEntry> pool = {
        entry("2024.03.15", {0, 0, 5000, 500, 0, 0}, "커피 원두", "(주)한빛상회", "카드"),
        entry("2024.01.02", {10000.5, 1000, 0, 0, 0, 0}, "=SUM(E4:E9)", "0123", "_x0041_"),
        entry("2024.12.31", {0, 0, 0, 0, -250.5, -25}, "비품", "", "영수증"),
        entry("2024.06.30", {0, 0, 0, 0, 0, 0}, "전부 영"),
        entry("2024.00.07", {3, 0, 0, 0, 0, 0}, "영월"),
        entry("2024.1", {7, 0, 0, 0, 0, 0}, "짧은 날짜"),
        entry("", {0, 0, 1, 0, 0, 0}),
    };
    for (int i = 0; i < 60; ++i)
        pool.push_back(entry("2024." + std::string(i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) + ".05",
                             {0, 0, 100.0 * i, 10.0 * i, 0, 0}, "반복", "거래처", "계"));
    TempFolder dir;
    for (std::size_t n : {0u, 1u, 2u, 3u, 4u, 67u}) {
        for (bool printer : {false, true}) {
            WorkingTable t;
            if (printer) {
                // Rows grown for their wrapped texts, and a second year.
                pool[0].JKYU = cp("가나다라마바사아자차카타파하 가나다라마바사아자");
                pool[1].IDAY = "2023.11.02";
            }
            fill(t, std::vector<LedgerEntry>(pool.begin(), pool.begin() + static_cast<long>(n)));
            ExportOptions o;
            o.ledgerName = printer ? "장부.Aut" : "";
            const std::string whole = dir.file("whole.xlsx"), streamed = dir.file("streamed.xlsx");
            Workbook model = wholeWorkbook(t, o);
            ASSERT_TRUE(writeWhole(model, whole));
            ASSERT_TRUE(ExportLedger(t, streamed, o));
            const std::string cmd = "/usr/bin/python3 '" + compare + "' '" + whole + "' '" + streamed + "'";
            EXPECT_EQ(std::system(cmd.c_str()), 0) << n << " entries, printer " << printer;
        }
    }
}

TEST(StreamedExport, AWalkThatBreaksOffOrDiffersFromTheCountWritesNothing)
{
    TempFolder dir;
    const LedgerEntry e = entry("2024.01.05", {1, 0, 0, 0, 0, 0});
    auto walkOf = [&](int entries, bool fail) {
        return [=](const std::function<bool(const LedgerEntry&)>& each) {
            for (int i = 0; i < entries; ++i)
                if (!each(e))
                    break;
            return fail ? IoResult::failure("I/O error 5", 5) : IoResult::success();
        };
    };
    EXPECT_EQ(ExportLedgerRows(3, walkOf(3, true), dir.file("a.xlsx")).message, "I/O error 5");
    EXPECT_FALSE(ExportLedgerRows(3, walkOf(2, false), dir.file("a.xlsx")));
    EXPECT_FALSE(ExportLedgerRows(3, walkOf(4, false), dir.file("a.xlsx")));
    EXPECT_TRUE(dir.names().empty());
    EXPECT_TRUE(ExportLedgerRows(3, walkOf(3, false), dir.file("a.xlsx")));
    EXPECT_EQ(dir.names(), std::set<std::string>{"a.xlsx"});
}

TEST(LedgerSheet, PrintsWithoutPagesOfStrayLinesAndWithItsHeaderOnEveryPage)
{
    WorkingTable t;
    fill(t, {entry("2024.01.05", {1, 0, 0, 0, 0, 0}), entry("2024.01.06", {2, 0, 0, 0, 0, 0})});
    Built w = build(t);
    const Sheet& s = w.ledger();
    // The right rule of K and the bottom rule of the last entry stay on
    // their own cells: column L and the row of formats carry no line.
    EXPECT_EQ(fmt(w.book, s, "K5").right, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(w.book, s, "L5").left, kNone);
    EXPECT_EQ(fmt(w.book, s, "L2").left, kNone);
    EXPECT_EQ(fmt(w.book, s, "G5").bottom, line(LineWeight::Thin, kBlack));
    EXPECT_EQ(fmt(w.book, s, "G6").top, kNone);
    EXPECT_EQ(fmt(w.book, s, "A6").top, kNone);
    EXPECT_EQ(fmt(w.book, s, "G6").numberFormat, kAmountFormat);  // its formats stay
    EXPECT_EQ(s.repeatRows, (std::pair<int, int>{0, 2}));
    EXPECT_EQ(w.stats().printArea, (CellRange{0, 0, 23, 8}));
}
