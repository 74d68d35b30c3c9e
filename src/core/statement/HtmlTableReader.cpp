// SPDX-License-Identifier: GPL-3.0-or-later
// The ".xls" some banks send that is an HTML page: every <table> becomes a
// sheet. libxml2's HTML parser runs as a SAX stream (no document tree), so
// memory grows with the cells kept, not with the markup. The bytes are
// turned into UTF-8 first (BOM, else the page's declared charset, else
// UTF-8 when valid, else CP949), because Korean pages that say "euc-kr"
// are nearly always CP949, which EUC-KR does not cover.
#include "core/text/Cp949.h"
#include "core/text/Utf8.h"
#include "core/statement/SheetCells.h"
#include "core/statement/StatementBook.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <strings.h>

namespace quill {

namespace {

using Kind = StatementReadError::Kind;

// The charset a page declares in its first bytes (<meta charset=...> or
// content="text/html; charset=..."), lowercased; empty when none.
std::string DeclaredCharset(std::string_view bytes)
{
    std::string head(bytes.substr(0, 4096));
    for (char& c : head)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::size_t at = head.find("charset");
    while (at != std::string::npos) {
        std::size_t p = at + 7;
        while (p < head.size() && (head[p] == ' ' || head[p] == '"' || head[p] == '\''))
            ++p;
        if (p < head.size() && head[p] == '=') {
            ++p;
            while (p < head.size() && (head[p] == ' ' || head[p] == '"' || head[p] == '\''))
                ++p;
            std::string name;
            while (p < head.size() && (std::isalnum(static_cast<unsigned char>(head[p])) || std::strchr("-_.:", head[p])))
                name += head[p++];
            if (!name.empty())
                return name;
        }
        at = head.find("charset", at + 7);
    }
    return {};
}

std::string ToUtf8(const std::string& bytes)
{
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return RepairUtf8(std::string_view(bytes).substr(3));
    if (bytes.rfind("\xFF\xFE", 0) == 0)
        return DecodeUtf16(std::string_view(bytes).substr(2), false);
    if (bytes.rfind("\xFE\xFF", 0) == 0)
        return DecodeUtf16(std::string_view(bytes).substr(2), true);
    const std::string declared = DeclaredCharset(bytes);
    static const char* const korean[] = {"euc-kr", "euckr", "cp949", "uhc", "ks_c_5601-1987", "ks_c_5601",
                                         "ksc5601", "x-windows-949", "windows-949", "ms949", "korean"};
    bool isKorean = std::any_of(std::begin(korean), std::end(korean), [&](const char* k) { return declared == k; });
    if (!isKorean && (declared.empty() || declared == "utf-8" || declared == "utf8") && IsValidUtf8(bytes))
        return bytes;
    if (isKorean || !IsValidUtf8(bytes))
        return decodeCp949(bytes);
    return bytes;
}

// Runs of white space (NBSP included) become one space; ends trimmed.
std::string Collapse(std::string_view s)
{
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        bool ws = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        if (!ws && c == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') {
            ws = true;
            ++i;
        }
        if (ws) {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

constexpr std::size_t kMaxNesting = 64;
constexpr std::size_t kMaxCellBytes = 1'000'000;

struct Table {
    StatementSheet sheet;
    std::string caption;
    bool inCaption = false;
    bool rowStarted = false;
    std::size_t row = 0;
    std::size_t cursor = 0;
    struct Pending {
        std::size_t rowsLeft = 0;
        StatementCell cell;
    };
    std::map<std::size_t, Pending> pending; // rowspan copies still owed, by column
    std::set<std::size_t> taken;            // columns of this row already filled by a rowspan
    bool inCell = false;
    std::string text;
    std::size_t colspan = 1, rowspan = 1;
    bool hasText = false;
};

class HtmlTables {
public:
    explicit HtmlTables(const StatementReadOptions& options) : mBudget(options) {}

    StatementReadResult read(const std::string& utf8)
    {
        StatementReadResult result;
        result.book.format = StatementFormat::HtmlTable;
        htmlSAXHandler sax;
        std::memset(&sax, 0, sizeof sax);
        sax.startElement = [](void* self, const xmlChar* name, const xmlChar** atts) {
            static_cast<HtmlTables*>(self)->start(reinterpret_cast<const char*>(name),
                                                  reinterpret_cast<const char**>(atts));
        };
        sax.endElement = [](void* self, const xmlChar* name) {
            static_cast<HtmlTables*>(self)->end(reinterpret_cast<const char*>(name));
        };
        sax.characters = [](void* self, const xmlChar* s, int len) {
            static_cast<HtmlTables*>(self)->characters(reinterpret_cast<const char*>(s), len);
        };
        // Script and style contents arrive here; they are no cell text.
        sax.cdataBlock = [](void*, const xmlChar*, int) {};
        sax.initialized = 1;
        std::unique_ptr<htmlParserCtxt, void (*)(htmlParserCtxtPtr)> ctxt(
            htmlCreatePushParserCtxt(&sax, this, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8), htmlFreeParserCtxt);
        if (!ctxt) {
            result.error = {Kind::Io, "메모리가 모자라 읽지 못했습니다"};
            return result;
        }
        htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                                           | HTML_PARSE_IGNORE_ENC);
        mCtxt = ctxt.get();
        const std::size_t step = 64 * 1024;
        for (std::size_t at = 0; at < utf8.size() && !mBudget.failed(); at += step) {
            const std::size_t n = std::min(step, utf8.size() - at);
            htmlParseChunk(mCtxt, utf8.data() + at, static_cast<int>(n), 0);
        }
        if (!mBudget.failed())
            htmlParseChunk(mCtxt, nullptr, 0, 1);
        while (!mStack.empty() && !mBudget.failed())
            closeTable();
        mCtxt = nullptr;
        if (mBudget.failed()) {
            result.error = mBudget.error();
            return result;
        }
        for (auto& t : mTables)
            if (t && t->hasText) {
                const std::string caption = Collapse(t->caption);
                t->sheet.name = caption.empty() ? "표 " + std::to_string(result.book.sheets.size() + 1) : caption;
                result.book.sheets.push_back(std::move(t->sheet));
            }
        if (result.book.sheets.empty())
            result.error = {Kind::UnknownFormat, "파일에서 표를 찾지 못했습니다"};
        return result;
    }

private:
    Table* top() { return mStack.empty() ? nullptr : mTables[mStack.back()].get(); }

    void stop()
    {
        if (mCtxt)
            xmlStopParser(mCtxt);
    }

    static std::size_t SpanAttribute(const char** atts, const char* name, std::size_t most)
    {
        for (; atts && atts[0]; atts += 2)
            if (strcasecmp(atts[0], name) == 0 && atts[1]) {
                long v = std::strtol(atts[1], nullptr, 10);
                return v < 1 ? 1 : std::min(static_cast<std::size_t>(v), most);
            }
        return 1;
    }

    void start(const char* name, const char** atts)
    {
        if (mBudget.failed())
            return;
        Table* t = top();
        if (std::strcmp(name, "table") == 0) {
            if (mStack.size() >= kMaxNesting) {
                ++mIgnoredTables;
                return;
            }
            // The enclosing cell keeps its own words apart from each other.
            if (t && t->inCell)
                t->text += ' ';
            mTables.push_back(std::make_unique<Table>());
            mStack.push_back(mTables.size() - 1);
            return;
        }
        if (!t)
            return;
        if (std::strcmp(name, "caption") == 0) {
            t->inCaption = true;
        } else if (std::strcmp(name, "tr") == 0) {
            finishCell(*t);
            startRow(*t);
        } else if (std::strcmp(name, "td") == 0 || std::strcmp(name, "th") == 0) {
            finishCell(*t);
            if (!t->rowStarted)
                startRow(*t);
            t->inCell = true;
            t->text.clear();
            // The largest spans HTML allows.
            t->colspan = SpanAttribute(atts, "colspan", 1000);
            t->rowspan = SpanAttribute(atts, "rowspan", 65534);
        } else if (t->inCell && (std::strcmp(name, "br") == 0 || std::strcmp(name, "p") == 0
                                 || std::strcmp(name, "div") == 0 || std::strcmp(name, "li") == 0)) {
            t->text += ' ';
        }
    }

    void end(const char* name)
    {
        if (mBudget.failed())
            return;
        Table* t = top();
        if (std::strcmp(name, "table") == 0) {
            if (mIgnoredTables > 0) {
                --mIgnoredTables;
            } else if (t) {
                closeTable();
                if (Table* outer = top(); outer && outer->inCell)
                    outer->text += ' ';
            }
            return;
        }
        if (!t)
            return;
        if (std::strcmp(name, "caption") == 0)
            t->inCaption = false;
        else if (std::strcmp(name, "td") == 0 || std::strcmp(name, "th") == 0 || std::strcmp(name, "tr") == 0)
            finishCell(*t);
    }

    void characters(const char* s, int len)
    {
        if (mBudget.failed() || mIgnoredTables > 0)
            return;
        Table* t = top();
        if (!t)
            return;
        std::string& target = t->inCell ? t->text : t->caption;
        if (!t->inCell && !t->inCaption)
            return;
        if (target.size() + static_cast<std::size_t>(len) > kMaxCellBytes) {
            mBudget.fail(Kind::TooBig, "한 칸의 글자가 너무 많아 읽지 않았습니다");
            stop();
            return;
        }
        target.append(s, static_cast<std::size_t>(len));
    }

    void startRow(Table& t)
    {
        t.row = t.rowStarted ? t.row + 1 : 0;
        t.rowStarted = true;
        t.cursor = 0;
        if (t.row >= statement::kMaxRows) {
            mBudget.fail(Kind::TooBig, "표의 줄이 너무 많아 읽지 않았습니다");
            stop();
            return;
        }
        t.taken.clear();
        for (auto it = t.pending.begin(); it != t.pending.end();) {
            const std::size_t c = it->first;
            t.taken.insert(c);
            // An empty span costs like a cell, or empty spans could keep the
            // parser busy at no cost.
            if (it->second.cell.kind == StatementCell::Kind::Empty ? !spend(1) : !put(t, c, it->second.cell))
                return;
            it = --it->second.rowsLeft == 0 ? t.pending.erase(it) : std::next(it);
        }
    }

    bool spend(std::uint64_t cells)
    {
        if (mBudget.spendCells(cells))
            return true;
        stop();
        return false;
    }

    bool put(Table& t, std::size_t column, StatementCell cell)
    {
        if (!statement::PutCell(t.sheet, t.row, column, std::move(cell), mBudget)) {
            if (!mBudget.failed())
                mBudget.fail(Kind::TooBig, "표의 칸이 너무 많아 읽지 않았습니다");
            stop();
            return false;
        }
        t.hasText = true;
        return true;
    }

    void finishCell(Table& t)
    {
        if (!t.inCell)
            return;
        t.inCell = false;
        std::size_t col = t.cursor;
        while (t.taken.count(col))
            ++col;
        if (col + t.colspan > statement::kMaxColumns) {
            mBudget.fail(Kind::TooBig, "표의 칸이 너무 많아 읽지 않았습니다");
            stop();
            return;
        }
        StatementCell cell;
        std::string text = Collapse(t.text);
        t.text.clear();
        if (!text.empty()) {
            cell.kind = StatementCell::Kind::Text;
            cell.text = std::move(text);
        }
        StatementCell copy = cell;
        copy.spanned = true;
        if (cell.kind == StatementCell::Kind::Empty && t.colspan > 1 && !spend(t.colspan))
            return;
        for (std::size_t c = col; c < col + t.colspan; ++c) {
            if (cell.kind != StatementCell::Kind::Empty && !put(t, c, c == col ? cell : copy))
                return;
            if (t.rowspan > 1)
                t.pending[c] = {t.rowspan - 1, copy};
        }
        t.cursor = col + t.colspan;
    }

    void closeTable()
    {
        if (Table* t = top())
            finishCell(*t);
        mStack.pop_back();
    }

    statement::CellBudget mBudget;
    htmlParserCtxtPtr mCtxt = nullptr;
    std::vector<std::unique_ptr<Table>> mTables; // in the order they start
    std::vector<std::size_t> mStack;             // open tables, innermost last
    std::size_t mIgnoredTables = 0;
};

} // namespace

StatementReadResult ReadHtmlStatement(const std::string& bytes, const StatementReadOptions& options)
{
    if (bytes.size() > options.sizeLimit) {
        StatementReadResult result;
        result.error = {Kind::TooBig,
                        "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20) + " MB까지)"};
        return result;
    }
    HtmlTables tables(options);
    return tables.read(ToUtf8(bytes));
}

} // namespace quill
