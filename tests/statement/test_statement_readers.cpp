// SPDX-License-Identifier: GPL-3.0-or-later
// The xlsx, xls and HTML statement readers: on files LibreOffice and
// Gnumeric made from our test tables (data/*.fods), on small files written
// here for the forms those programs do not produce, and on damaged and
// hostile files.
#include "core/statement/StatementBook.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using quill::StatementBook;
using quill::StatementCell;
using quill::StatementFormat;
using quill::StatementReadError;
using quill::StatementReadOptions;
using quill::StatementReadResult;
using CellKind = StatementCell::Kind;
using ErrorKind = StatementReadError::Kind;
namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path Scratch(const std::string& name)
{
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("qb-statement-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return folder / name;
}

StatementReadResult ReadBytesAsFile(const std::string& name, const std::string& bytes,
                                    const StatementReadOptions& options = {})
{
    const fs::path path = Scratch(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return quill::ReadStatementFile(path.string(), options);
}

// A zip of the given parts, written by libzip (deflated).
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& parts)
{
    const fs::path path = Scratch("made.zip");
    fs::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return {};
    for (const auto& [name, content] : parts) {
        zip_source_t* s = zip_source_buffer(z, content.data(), content.size(), 0);
        zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    }
    zip_close(z);
    return ReadBytes(path);
}

const std::string kWorkbookRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="r1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="r2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)"
    R"(<Relationship Id="r3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="/xl/styles.xml"/>)"
    R"(</Relationships>)";
const std::string kMain = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";

// A one-sheet workbook around the given sheetData (and what follows it).
std::string MakeXlsx(const std::string& sheetData, const std::string& sharedStrings = "<sst " + kMain + "/>",
                     const std::string& styles = "<styleSheet " + kMain + "/>", bool date1904 = false)
{
    return MakeZip({
        {"xl/workbook.xml", "<workbook " + kMain + R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                                + (date1904 ? "<workbookPr date1904=\"1\"/>" : "")
                                + R"(<sheets><sheet name="시트" sheetId="1" r:id="r1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels", kWorkbookRels},
        {"xl/worksheets/sheet1.xml", "<worksheet " + kMain + ">" + sheetData + "</worksheet>"},
        {"xl/sharedStrings.xml", sharedStrings},
        {"xl/styles.xml", styles},
    });
}

// A book as one line: sheets "name: row|row", cells by ","; a number is
// "#text=value", a date "@text=value", a merged copy starts with "*".
std::string Dump(const StatementBook& book)
{
    std::string out;
    for (const auto& sheet : book.sheets) {
        out += (out.empty() ? "" : " / ") + sheet.name + ":";
        for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
            out += r ? "|" : " ";
            for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
                const StatementCell& cell = sheet.rows[r][c];
                out += c ? "," : "";
                out += cell.spanned ? "*" : "";
                char number[64];
                std::snprintf(number, sizeof number, "%.10g", cell.number);
                if (cell.kind == CellKind::Number)
                    out += "#" + cell.text + "=" + number;
                else if (cell.kind == CellKind::Date)
                    out += "@" + cell.text + "=" + number;
                else
                    out += cell.text;
            }
        }
    }
    return out;
}

// ---- files made by LibreOffice and Gnumeric ----

struct OfficeFile {
    const char* file;
    StatementFormat format;
    bool typed;          // numbers and dates as values (else the text shown, as HTML has it)
    bool mergesRepeated;
    bool stringFormulas; // LibreOffice's xls keeps 0 as a text formula's value
    bool overflowSpans;  // Gnumeric's HTML spans text that overflows into empty cells
    const char* sheet1;
    const char* sheet2;
};

void PrintTo(const OfficeFile& f, std::ostream* os) { *os << f.file; }

class MadeByOffice : public testing::TestWithParam<OfficeFile> {};

TEST_P(MadeByOffice, ReadsTheTestTables)
{
    const OfficeFile& f = GetParam();
    const char* fresh = std::getenv("QB_STATEMENT_FILES");
    const fs::path path = fs::path(fresh ? fresh : QB_STATEMENT_DATA "/made") / f.file;
    if (fresh && !fs::exists(path) && std::string(f.file).rfind("gnumeric", 0) == 0)
        GTEST_SKIP() << "Gnumeric is not installed";
    const StatementReadResult r = quill::ReadStatementFile(path.string());
    ASSERT_FALSE(r.error) << r.error.message;
    EXPECT_EQ(r.book.format, f.format);
    ASSERT_EQ(r.book.sheets.size(), 2u);
    EXPECT_EQ(r.book.sheets[0].name, f.sheet1);
    EXPECT_EQ(r.book.sheets[1].name, f.sheet2);

    struct Expect {
        int sheet, row, col;
        CellKind kind;
        const char* text;  // typed text
        double number;
        const char* shown; // what HTML shows; null where producers display it differently
        bool merged = false, gap = false, textFormula = false;
    };
    const Expect expected[] = {
        {0, 0, 0, CellKind::Text, "2024년 카드 이용내역", 0, "2024년 카드 이용내역"},
        {0, 0, 3, CellKind::Text, "2024년 카드 이용내역", 0, "2024년 카드 이용내역", true},
        {0, 1, 0, CellKind::Text, "이용일", 0, "이용일"},
        {0, 1, 2, CellKind::Text, "금액", 0, "금액"},
        {0, 1, 3, CellKind::Text, "금액", 0, "금액", true},
        {0, 2, 0, CellKind::Text, "이용일", 0, "이용일", true},
        {0, 2, 1, CellKind::Text, "가맹점", 0, "가맹점", true},
        {0, 2, 2, CellKind::Text, "입금", 0, "입금"},
        {0, 2, 3, CellKind::Text, "출금", 0, "출금"},
        {0, 3, 0, CellKind::Date, "2024-03-05", 45356, "2024-03-05"},
        {0, 3, 1, CellKind::Text, "주유소 ㈜한국", 0, "주유소 ㈜한국"},
        {0, 3, 2, CellKind::Empty, "", 0, "", false, true},
        {0, 3, 3, CellKind::Number, "55000", 55000, "55,000"},
        {0, 3, 4, CellKind::Empty, "", 0, ""},
        {0, 3, 5, CellKind::Text, "비고", 0, "비고"},
        {0, 4, 0, CellKind::Date, "2024-03-06 14:22:11", 45357 + (14 * 3600 + 22 * 60 + 11) / 86400.0,
         "2024-03-06 14:22:11"},
        {0, 4, 1, CellKind::Text, "편의점", 0, "편의점"},
        {0, 4, 2, CellKind::Number, "1234000", 1234000, "1,234,000"},
        {0, 4, 3, CellKind::Number, "-5000.5", -5000.5, nullptr},
        {0, 6, 0, CellKind::Text, "합계", 0, "합계"},
        {0, 6, 1, CellKind::Empty, "", 0, "", false, true},
        {0, 6, 3, CellKind::Number, "49999.5", 49999.5, nullptr},
        {1, 0, 0, CellKind::Text, "가나다", 0, "가나다"},
        {1, 0, 1, CellKind::Number, "3.25", 3.25, nullptr},
        {1, 0, 2, CellKind::Number, "6.5", 6.5, nullptr},
        {1, 0, 3, CellKind::Text, "TRUE", 1, "TRUE"},
        {1, 0, 4, CellKind::Text, "가나다라", 0, "가나다라", false, false, true},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(testing::Message() << "sheet " << e.sheet << " row " << e.row << " column " << e.col);
        if ((e.textFormula && !f.stringFormulas) || (e.gap && f.overflowSpans) || (!f.typed && !e.shown))
            continue;
        const auto& rows = r.book.sheets[e.sheet].rows;
        ASSERT_LT(static_cast<std::size_t>(e.row), rows.size());
        const auto& row = rows[e.row];
        const bool expectEmpty = e.kind == CellKind::Empty || (e.merged && !f.mergesRepeated);
        if (static_cast<std::size_t>(e.col) >= row.size()) {
            EXPECT_TRUE(expectEmpty) << "missing cell";
            continue;
        }
        const StatementCell& cell = row[e.col];
        if (expectEmpty) {
            EXPECT_EQ(cell.kind, CellKind::Empty) << cell.text;
            continue;
        }
        EXPECT_EQ(cell.spanned, e.merged);
        if (f.typed) {
            EXPECT_EQ(cell.kind, e.kind);
            EXPECT_EQ(cell.text, e.text);
            EXPECT_NEAR(cell.number, e.number, 1e-6);
        } else {
            EXPECT_EQ(cell.kind, e.kind == CellKind::Empty ? CellKind::Empty : CellKind::Text);
            EXPECT_EQ(cell.text, e.shown);
        }
    }
    // The blank row between the data and the total stays a row, empty.
    for (const StatementCell& cell : r.book.sheets[0].rows[5])
        EXPECT_EQ(cell.kind, CellKind::Empty);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MadeByOffice,
    testing::Values(
        OfficeFile{"lo-tables.xlsx", StatementFormat::Xlsx, true, true, true, false, "카드내역", "두번째"},
        OfficeFile{"lo-tables1904.xlsx", StatementFormat::Xlsx, true, true, true, false, "카드내역", "두번째"},
        OfficeFile{"gnumeric-tables.xlsx", StatementFormat::Xlsx, true, true, true, false, "카드내역", "두번째"},
        OfficeFile{"gnumeric-tables1904.xlsx", StatementFormat::Xlsx, true, true, true, false, "카드내역", "두번째"},
        OfficeFile{"lo-tables.xls", StatementFormat::Xls, true, true, false, false, "카드내역", "두번째"},
        OfficeFile{"lo-tables1904.xls", StatementFormat::Xls, true, true, false, false, "카드내역", "두번째"},
        OfficeFile{"gnumeric-tables.xls", StatementFormat::Xls, true, true, true, false, "카드내역", "두번째"},
        OfficeFile{"lo-tables.html", StatementFormat::HtmlTable, false, true, true, false, "표 1", "표 2"},
        OfficeFile{"lo-tables1904.html", StatementFormat::HtmlTable, false, true, true, false, "표 1", "표 2"},
        OfficeFile{"gnumeric-tables.html", StatementFormat::HtmlTable, false, true, true, true, "카드내역", "두번째"}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

// ---- forms written here ----

TEST(StatementDates, SerialsAndTextsMatch)
{
    struct Row {
        double serial;
        const char* text;
    };
    // Serial 60 is the 1900-02-29 spreadsheets count although it never was.
    const Row rows[] = {{1, "1900-01-01"},     {59, "1900-02-28"},          {60, "1900-02-29"},
                        {61, "1900-03-01"},    {45356, "2024-03-05"},       {45357.75, "2024-03-06 18:00:00"},
                        {0.5, "12:00:00"},     {2958465, "9999-12-31"},     {-1, ""},
                        {2958466, ""},         {36526 + 1 / 86400.0, "2000-01-01 00:00:01"}};
    for (const Row& r : rows) {
        EXPECT_EQ(quill::StatementDateText(r.serial), r.text) << r.serial;
        double back = -99;
        if (*r.text && r.serial != 60) {
            EXPECT_TRUE(quill::StatementSerialFromText(r.text, back)) << r.text;
            EXPECT_NEAR(back, r.serial, 1e-9) << r.text;
        }
    }
    double ignored = 0;
    for (const char* bad : {"2023-02-29", "1899-12-31", "2024-13-01", "2024-03-05 25:00", "2024/03/05", "abc", ""})
        EXPECT_FALSE(quill::StatementSerialFromText(bad, ignored)) << bad;
    EXPECT_TRUE(quill::StatementSerialFromText("2024-03-05T14:22", ignored));
}

TEST(XlsxCells, EveryValueFormAndDateFormat)
{
    // Styles: 0 General, 1 built-in 14, 2 built-in 22, 3 built-in 45 (mm:ss),
    // 4 built-in 3 (#,##0), 5 built-in 31 (a Korean date), 6 custom
    // yy.mm.dd, 7 "yyyy"0 (the y is quoted), 8 [Red]#,##0 (the d is in a
    // bracket), 9 [$-412]yyyy"년" m"월" d"일", 10 0_);\(0\) with an escaped
    // character only.
    const std::string styles = "<styleSheet " + kMain + R"(><numFmts>)"
        R"(<numFmt numFmtId="164" formatCode="yy.mm.dd"/><numFmt numFmtId="165" formatCode="&quot;yyyy&quot;0"/>)"
        R"(<numFmt numFmtId="166" formatCode="[Red]#,##0"/><numFmt numFmtId="167" formatCode="[$-412]yyyy&quot;년&quot; m&quot;월&quot; d&quot;일&quot;"/>)"
        R"x(<numFmt numFmtId="168" formatCode="0_);\(0\)"/></numFmts>)x"
        R"(<cellStyleXfs><xf numFmtId="14"/></cellStyleXfs><cellXfs>)"
        R"(<xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="22"/><xf numFmtId="45"/><xf numFmtId="3"/><xf numFmtId="31"/>)"
        R"(<xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="166"/><xf numFmtId="167"/><xf numFmtId="168"/></cellXfs></styleSheet>)";
    const std::string shared = "<sst " + kMain + R"(>)"
        R"(<si><t>가맹점</t></si>)"
        R"(<si><r><t>주유</t></r><r><t xml:space="preserve"> 소</t></r><rPh><t>ジュユ</t></rPh></si>)"
        R"(<si><t>줄_x000A_바꿈</t></si><si><t></t></si></sst>)";
    const std::string sheet = "<sheetData>"
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c><c t="s"><v>2</v></c><c r="F1" t="s"><v>3</v></c></row>)"
        R"(<row r="3"><c r="A3" t="inlineStr"><is><t>인라인</t></is></c><c r="B3" t="b"><v>0</v></c>)"
        R"(<c r="C3" t="e"><v>#N/A</v></c><c r="D3" t="str"><f>A3</f><v>수식</v></c><c r="E3"><f>1+1</f><v>2</v></c>)"
        R"(<c r="F3"><f>1/0</f></c><c r="G3" t="d"><v>2024-03-05T14:22:11</v></c><c r="H3" s="4"><v>1.5E3</v></c></row>)"
        R"(<row><c s="1"><v>45356</v></c><c s="2"><v>45356.5</v></c><c s="3"><v>0.25</v></c><c s="5"><v>45356</v></c>)"
        R"(<c s="6"><v>45356</v></c><c s="7"><v>45356</v></c><c s="8"><v>45356</v></c><c s="9"><v>45356</v></c>)"
        R"(<c s="10"><v>45356</v></c><c s="99"><v>45356</v></c><c s="1"><v>-3</v></c></row>)"
        "</sheetData>"
        R"(<mergeCells><mergeCell ref="A1:B2"/><mergeCell ref="A3:XFD1048576"/></mergeCells>)";
    StatementReadResult r = quill::ReadXlsxStatement(MakeXlsx(sheet, shared, styles), {});
    ASSERT_FALSE(r.error) << r.error.message;
    // Row 1: a gap at B1 filled by the merge A1:B2 (which also fills row 2
    // as far as the sheet is wide), a cell without r= after C1 goes to D1;
    // an empty shared string is no value. The merge from A3 over the whole
    // sheet is clipped to what the sheet has (three rows, eleven columns)
    // and leaves cells with values alone.
    // Row 1: a gap at B1 filled by the merge A1:B2 (which fills row 2
    // too), a cell without r= after C1 goes to D1, an empty shared string is
    // no value. The merge from A3 over the whole largest sheet is clipped to
    // what the sheet has (four rows, eleven columns) and leaves cells with
    // values alone; row 4 shows which styles are dates.
    EXPECT_EQ(Dump(r.book), "시트: 가맹점,*가맹점,주유 소,줄\n바꿈|*가맹점,*가맹점"
                            "|인라인,FALSE,#N/A,수식,#2=2,*인라인,@2024-03-05 14:22:11=45356.59874,#1.5E3=1500,"
                            "*인라인,*인라인,*인라인"
                            "|@2024-03-05=45356,@2024-03-05 12:00:00=45356.5,@06:00:00=0.25,@2024-03-05=45356,"
                            "@2024-03-05=45356,#45356=45356,#45356=45356,@2024-03-05=45356,#45356=45356,#45356=45356,"
                            "#-3=-3");
    // The 1904 date system: day 0 is 1904-01-01, shifted to the 1900 count.
    r = quill::ReadXlsxStatement(MakeXlsx(R"(<sheetData><row><c s="1"><v>43894</v></c><c><v>43894</v></c></row></sheetData>)",
                                          shared, styles, true),
                                 {});
    ASSERT_FALSE(r.error) << r.error.message;
    EXPECT_EQ(Dump(r.book), "시트: @2024-03-05=45356,#43894=43894");
    // An inline string that also carries a <v> is its <is> text, once, as
    // Excel shows it.
    r = quill::ReadXlsxStatement(
        MakeXlsx(R"(<sheetData><row><c t="inlineStr"><v>45455</v><is><t>45,455</t></is></c>)"
                 R"(<c t="inlineStr"><is><r><t>가</t></r><r><t>나</t></r></is><v>x</v></c></row></sheetData>)"),
        {});
    ASSERT_FALSE(r.error) << r.error.message;
    EXPECT_EQ(Dump(r.book), "시트: 45,455,가나");
}

// Legacy xls in the forms other programs open: Excel 5.0/95 (BIFF5) with
// its texts in CP949, and BIFF8 with its stream named "WORKBOOK", an SST
// count larger than its strings, strings with formatting runs ("승인취소"
// in two) and one going on in a CONTINUE record, an empty text formula and
// a chart sheet. Written by make_xls.py; LibreOffice and Gnumeric read them
// alike.
TEST(XlsRecords, FormsOtherProgramsOpen)
{
    const std::string rows = "2024년 카드 이용내역|승인일자,가맹점명,합계,비고"
                             "|@2024-03-05=45356,서울주유소,#55000=55000"
                             "|@2024-03-06=45357,대한문구,#11000=11000,승인취소"
                             "|@2024-03-07=45358,맛나식당,#33000=33000";
    const struct {
        const char* file;
        std::string dump;
    } files[] = {
        {"biff8-odd.xls", "카드내역: " + rows + " / 차트:"},
        {"biff5-cp949.xls", "카드내역: " + rows},
    };
    for (const auto& f : files) {
        const StatementReadResult r = quill::ReadStatementFile(QB_STATEMENT_DATA "/xls/" + std::string(f.file));
        ASSERT_FALSE(r.error) << f.file << ": " << r.error.message;
        EXPECT_EQ(r.book.format, StatementFormat::Xls);
        EXPECT_EQ(Dump(r.book), f.dump) << f.file;
    }
}

TEST(HtmlTables, CharsetsSpansAndNesting)
{
    struct Row {
        const char* name;
        std::string html;
        const char* dump;
    };
    // "똠" is CP949 beyond EUC-KR, as Korean pages labelled euc-kr have.
    const std::string cp949 = "\xB0\xA1\xB8\xCD\x20\x8C\x63"; // "가맹 똠"
    const Row rows[] = {
        {"euc-kr label, CP949 bytes",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=euc-kr\"></head><body><table><tr><td>"
             + cp949 + "</td></tr></table>",
         "표 1: 가맹 똠"},
        {"meta charset ks_c_5601-1987", "<meta charset='ks_c_5601-1987'><table><tr><td>" + cp949 + "</table>",
         "표 1: 가맹 똠"},
        {"no label, not UTF-8", "<table><tr><td>" + cp949 + "</table>", "표 1: 가맹 똠"},
        {"UTF-8 without label", "<table><tr><th>가맹점</th><td>1,000원</td></tr></table>", "표 1: 가맹점,1,000원"},
        {"UTF-16 with BOM",
         std::string("\xFF\xFE<\0t\0a\0b\0l\0e\0>\0<\0t\0d\0>\0\x00\xAC<\0/\0t\0a\0b\0l\0e\0>\0", 38), "표 1: 가"},
        {"colspan and rowspan repeated",
         "<table><tr><th rowspan=2>일자<th colspan=2>금액<tr><th>입금<th>출금<tr><td>3/5<td><td>5,000</table>",
         "표 1: 일자,금액,*금액|*일자,입금,출금|3/5,,5,000"},
        {"spans past the table are not invented", "<table><tr><td rowspan=65534 colspan=3>x</td></tr></table>",
         "표 1: x,*x,*x"},
        {"white space, br, nbsp, script, caption",
         "<table><caption> 거래 내역 </caption><script>var a='<td>x';</script>"
         "<tr><td>  2024-03-05<br>14:22&nbsp;</td><td>a &amp; b</td></tr></table>",
         "거래 내역: 2024-03-05 14:22,a & b"},
        {"nested table is a sheet of its own, left out of its cell",
         "<table><tr><td>조회<table><tr><td>일자</td><td>금액</td></tr></table>끝</td><td>B</td></tr></table>"
         "<table><tr><td></td></tr></table><table><tr><td>둘째</td></tr></table>",
         "표 1: 조회 끝,B / 표 2: 일자,금액 / 표 3: 둘째"},
        {"unclosed everything", "<table><tr><td>a<td>b<tr><td>c", "표 1: a,b|c"},
        {"entity declarations are not expanded",
         "<!DOCTYPE html [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
         "<table><tr><td>&b;</td></tr></table>",
         "표 1: &b;"},
    };
    for (const Row& row : rows) {
        const StatementReadResult r = quill::ReadHtmlStatement(row.html, {});
        EXPECT_FALSE(r.error) << row.name << ": " << r.error.message;
        EXPECT_EQ(Dump(r.book), row.dump) << row.name;
    }
}

// ---- damaged, encrypted, huge and hostile files ----

TEST(RefusedStatements, ClearMessageOfTheRightKind)
{
    const std::string xlsx = ReadBytes(QB_STATEMENT_DATA "/made/lo-tables.xlsx");
    const std::string xls = ReadBytes(QB_STATEMENT_DATA "/made/lo-tables.xls");
    ASSERT_FALSE(xlsx.empty());
    ASSERT_FALSE(xls.empty());
    const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">)"
                               R"(<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">)"
                               R"(<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>)";
    // A zip whose directory says its sheet is 100 bytes, but which inflates
    // to far more.
    std::string lying = MakeXlsx("<sheetData>" + std::string(300'000, ' ') + "</sheetData>");
    {
        const std::size_t entry = lying.find("xl/worksheets/sheet1.xml");
        for (std::size_t at = lying.rfind("PK\x03\x04", entry); at != std::string::npos && at < entry; at = std::string::npos)
            lying.replace(at + 22, 4, std::string("\x64\0\0\0", 4));
        const std::size_t central = lying.find("PK\x01\x02" "", 0);
        for (std::size_t at = central; at != std::string::npos; at = lying.find("PK\x01\x02", at + 4))
            if (lying.compare(at + 46, 24, "xl/worksheets/sheet1.xml") == 0)
                lying.replace(at + 24, 4, std::string("\x64\0\0\0", 4));
    }
    StatementReadOptions small;
    small.uncompressedLimit = 1 << 20;
    small.cellLimit = 1000;
    small.textLimit = 1 << 20;
    small.sizeLimit = 1 << 20;
    StatementReadOptions medium;
    medium.cellLimit = 1'000'000;
    std::string manyStrings;
    for (int i = 0; i < 20; ++i)
        manyStrings += "<c t=\"s\"><v>0</v></c>";
    std::string spans = "<table>";
    for (int i = 0; i < 20; ++i)
        spans += "<tr><td colspan=1000>x";

    // Work that holds no cells still counts: merges over the same cells
    // again and again, empty spans carried down row after row.
    std::string merges = R"(<sheetData><row r="1"><c r="A1"><v>1</v></c></row><row r="40"><c r="Z40"><v>1</v></c></row></sheetData><mergeCells>)";
    for (int i = 0; i < 5000; ++i)
        merges += R"(<mergeCell ref="A1:Z40"/>)";
    merges += "</mergeCells>";
    std::string emptySpans = "<table><tr><td rowspan=65534 colspan=1000></td><td>x";
    for (int i = 0; i < 6000; ++i)
        emptySpans += "<tr>";

    struct Row {
        const char* name;
        std::string bytes;
        StatementReadOptions options;
        ErrorKind kind;
        const char* message;
    };
    const Row rows[] = {
        {"password-protected xlsx (LibreOffice)", ReadBytes(QB_STATEMENT_DATA "/made/lo-tables-encrypted.xlsx"), {},
         ErrorKind::Encrypted, "암호가 걸린 파일은 읽을 수 없습니다. 암호를 풀어 저장한 뒤 다시 가져오십시오: "},
        {"password-protected xls (LibreOffice)", ReadBytes(QB_STATEMENT_DATA "/made/lo-tables-encrypted.xls"), {},
         ErrorKind::Encrypted, "암호가 걸린 파일은 읽을 수 없습니다"},
        {"truncated xlsx", xlsx.substr(0, xlsx.size() / 2), {}, ErrorKind::Damaged, "손상되었거나 잘려서"},
        {"truncated xls", xls.substr(0, 3000), {}, ErrorKind::Damaged, "손상되었거나 잘려서"},
        {"zip without a workbook", MakeZip({{"a.txt", "a"}}), {}, ErrorKind::UnknownFormat, "xlsx 통합 문서가 아닌"},
        {"OpenDocument spreadsheet", MakeZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", "<x/>"}}),
         {}, ErrorKind::UnknownFormat, "ods"},
        {"Excel 2003 XML", R"(<?xml version="1.0"?><Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"/>)", {},
         ErrorKind::UnknownFormat, "엑셀 2003 XML"},
        {"UTF-16 HTML is HTML", std::string("\xFF\xFE<\0t\0a\0b\0l\0e\0>\0", 16), {}, ErrorKind::UnknownFormat,
         "표를 찾지"},
        {"zip bomb", MakeXlsx("<sheetData>" + std::string(2 << 20, ' ') + "</sheetData>"), small, ErrorKind::TooBig,
         "압축을 풀면 너무 커서 읽지 않았습니다 (1 MB까지)"},
        {"directory lies about the size", lying, {}, ErrorKind::Hostile, "압축 목록에 적힌 크기보다"},
        {"entity expansion in the workbook", MakeZip({{"xl/workbook.xml", laughs + "<workbook/>"}}), {}, ErrorKind::Hostile,
         "DOCTYPE"},
        {"entity expansion in shared strings", MakeXlsx("<sheetData/>", laughs + "<sst><si><t>&lol3;</t></si></sst>"),
         {}, ErrorKind::Hostile, "DOCTYPE"},
        {"a part named outside the package",
         MakeZip({{"xl/workbook.xml", "<workbook " + kMain + R"( xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="a" r:id="r1"/></sheets></workbook>)"},
                  {"xl/_rels/workbook.xml.rels",
                   R"(<Relationships><Relationship Id="r1" Type="x/worksheet" Target="../../../../../../etc/passwd"/></Relationships>)"},
                  {"../etc/passwd", "<worksheet/>"}}),
         {}, ErrorKind::Damaged, "etc/passwd"},
        {"one cell far out pads a million cells", MakeXlsx(R"(<sheetData><row><c r="XFD1"><v>1</v></c></row></sheetData>)"),
         small, ErrorKind::TooBig, "칸이 너무 많아 읽지 않았습니다 (1,000칸까지)"},
        {"cell beyond the largest sheet", MakeXlsx(R"(<sheetData><row><c r="XFE1"><v>1</v></c></row></sheetData>)"), {},
         ErrorKind::Damaged, "XFE1"},
        {"one long shared string repeated", MakeXlsx("<sheetData><row>" + manyStrings + "</row></sheetData>",
                                                     "<sst><si><t>" + std::string(100'000, 'a') + "</t></si></sst>"),
         small, ErrorKind::TooBig, "글자가 너무 많아"},
        {"colspans over the cell limit", spans, small, ErrorKind::TooBig, "칸이 너무 많아"},
        {"the same merge five thousand times", MakeXlsx(merges), medium, ErrorKind::TooBig, "칸이 너무 많아"},
        {"empty spans carried down", emptySpans, medium, ErrorKind::TooBig, "칸이 너무 많아"},
        {"file over the size limit", xlsx + std::string(1 << 20, ' '), small, ErrorKind::TooBig, "파일이 너무 커서"},
        {"HTML without a table", "<html><body><p>없음</p></body></html>", {}, ErrorKind::UnknownFormat, "표를 찾지"},
    };
    for (const Row& row : rows) {
        const StatementReadResult r = ReadBytesAsFile("refused", row.bytes, row.options);
        EXPECT_EQ(r.error.kind, row.kind) << row.name << ": " << r.error.message;
        EXPECT_NE(r.error.message.find(row.message), std::string::npos) << row.name << ": " << r.error.message;
        EXPECT_NE(r.error.message.find(Scratch("refused").string()), std::string::npos) << row.name;
        EXPECT_TRUE(r.book.sheets.empty()) << row.name;
    }
}

} // namespace
