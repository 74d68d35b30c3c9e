// SPDX-License-Identifier: GPL-3.0-or-later
// xlsx: libzip opens the package in memory, expat streams each part. Only
// the parts the relationships name are read, nothing is written, and every
// size is bounded: the zip directory's sizes before inflating, the bytes
// actually inflated while reading, the cells and text held.
#include "core/statement/SheetCells.h"
#include "core/statement/StatementBook.h"

#include <expat.h>
#include <zip.h>

#include <charconv>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

namespace quill {

namespace {

using statement::CellBudget;
using Kind = StatementReadError::Kind;

// Names without their prefix ("x:c" -> "c", "r:id" -> "id"): expat's
// namespace processing would cost a third of the reading time, and every
// producer uses the same local names.
std::string_view LocalName(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

const char* Attribute(const char** atts, std::string_view local)
{
    for (; atts && atts[0]; atts += 2)
        if (LocalName(atts[0]) == local && std::strncmp(atts[0], "xmlns", 5) != 0)
            return atts[1];
    return nullptr;
}

bool EndsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// A part's target relative to the folder of the part that names it, with
// "." and ".." resolved ("/xl/a.xml" is from the package root). Only a
// name to look up in the zip directory; never a path on disk.
std::string ResolvePart(const std::string& folder, const std::string& target)
{
    std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find('/', start);
        if (slash == std::string::npos)
            slash = joined.size();
        std::string piece = joined.substr(start, slash - start);
        if (piece == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string FolderOf(const std::string& part)
{
    std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// "_x000D_" and the like: characters XML cannot carry, escaped by the
// producer.
std::string UnescapeOoxml(std::string s)
{
    if (s.find("_x") == std::string::npos)
        return s;
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned code = 0;
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_'
            && std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6) {
            if (code < 0x80) {
                out += static_cast<char>(code);
            } else if (code < 0x800) {
                out += static_cast<char>(0xC0 | code >> 6);
                out += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                out += static_cast<char>(0xE0 | code >> 12);
                out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

class Package {
public:
    Package(const std::string& bytes, const StatementReadOptions& options, CellBudget& budget)
        : mOptions(options), mBudget(budget)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source) {
            mZip = zip_open_from_source(source, ZIP_RDONLY, &error);
            if (!mZip)
                zip_source_free(source);
        }
        zip_error_fini(&error);
        if (!mZip)
            mBudget.fail(Kind::Damaged, statement::DamagedMessage("xlsx의 압축 목록을 읽지 못했습니다"));
    }
    ~Package()
    {
        if (mZip)
            zip_discard(mZip);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool has(const std::string& name) const { return mZip && zip_name_locate(mZip, name.c_str(), ZIP_FL_NOCASE) >= 0; }

    // Streams the part through feed in pieces. False with the budget's error
    // set when the part is missing (and required), encrypted, damaged, or
    // larger than the limits allow.
    bool read(const std::string& name, const std::function<bool(const char*, std::size_t, bool)>& feed)
    {
        if (!mZip || mBudget.failed())
            return false;
        zip_int64_t index = zip_name_locate(mZip, name.c_str(), ZIP_FL_NOCASE);
        zip_stat_t st;
        zip_stat_init(&st);
        if (index < 0 || zip_stat_index(mZip, static_cast<zip_uint64_t>(index), 0, &st) != 0) {
            mBudget.fail(Kind::Damaged, statement::DamagedMessage(name + "이(가) 없습니다"));
            return false;
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            mBudget.fail(Kind::Encrypted, statement::EncryptedMessage());
            return false;
        }
        const std::uint64_t declared = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        if (declared > mOptions.uncompressedLimit - mInflated) {
            mBudget.fail(Kind::TooBig, TooBigMessage());
            return false;
        }
        zip_file_t* file = zip_fopen_index(mZip, static_cast<zip_uint64_t>(index), 0);
        if (!file) {
            int code = zip_error_code_zip(zip_get_error(mZip));
            if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP)
                mBudget.fail(Kind::Encrypted, statement::EncryptedMessage());
            else
                mBudget.fail(Kind::Damaged, statement::DamagedMessage(name + "의 압축을 풀 수 없습니다"));
            return false;
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(file, zip_fclose);
        std::uint64_t got = 0;
        std::vector<char> chunk(64 * 1024);
        for (;;) {
            zip_int64_t n = zip_fread(file, chunk.data(), chunk.size());
            if (n < 0) {
                mBudget.fail(Kind::Damaged, statement::DamagedMessage(name + "의 압축이 손상되었습니다"));
                return false;
            }
            got += static_cast<std::uint64_t>(n);
            mInflated += static_cast<std::uint64_t>(n);
            // The directory may lie about the size; what is inflated counts.
            if (got > declared) {
                mBudget.fail(Kind::Hostile, "압축을 푼 크기가 압축 목록에 적힌 크기보다 커서 읽지 않았습니다");
                return false;
            }
            if (mInflated > mOptions.uncompressedLimit) {
                mBudget.fail(Kind::TooBig, TooBigMessage());
                return false;
            }
            if (!feed(chunk.data(), static_cast<std::size_t>(n), n == 0))
                return false;
            if (n == 0)
                return true;
        }
    }

private:
    std::string TooBigMessage() const
    {
        return "압축을 풀면 너무 커서 읽지 않았습니다 (" + std::to_string(mOptions.uncompressedLimit >> 20) + " MB까지)";
    }

    const StatementReadOptions& mOptions;
    CellBudget& mBudget;
    zip_t* mZip = nullptr;
    std::uint64_t mInflated = 0;
};

// One XML part through expat. A document type declaration is refused outright: no part
// of a workbook has one, and it is where entity expansion would start.
class XmlPart {
public:
    virtual ~XmlPart() = default;
    virtual void start(std::string_view name, const char** atts) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void text(const char*, int) {}

    bool parse(Package& package, const std::string& name, CellBudget& budget)
    {
        mBudget = &budget;
        std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                       XML_ParserFree);
        if (!parser) {
            budget.fail(Kind::Io, "메모리가 모자라 읽지 못했습니다");
            return false;
        }
        mParser = parser.get();
        XML_SetUserData(mParser, this);
        XML_SetElementHandler(
            mParser,
            [](void* self, const char* n, const char** a) {
                auto* p = static_cast<XmlPart*>(self);
                if (!p->stopped())
                    p->start(LocalName(n), a);
            },
            [](void* self, const char* n) {
                auto* p = static_cast<XmlPart*>(self);
                if (!p->stopped())
                    p->end(LocalName(n));
            });
        XML_SetCharacterDataHandler(mParser, [](void* self, const char* s, int len) {
            auto* p = static_cast<XmlPart*>(self);
            if (!p->stopped())
                p->text(s, len);
        });
        XML_SetStartDoctypeDeclHandler(mParser, [](void* self, const char*, const char*, const char*, int) {
            static_cast<XmlPart*>(self)->refuse();
        });
        XML_SetEntityDeclHandler(mParser, [](void* self, const char*, int, const char*, int, const char*,
                                             const char*, const char*, const char*) {
            static_cast<XmlPart*>(self)->refuse();
        });
        XML_SetParamEntityParsing(mParser, XML_PARAM_ENTITY_PARSING_NEVER);
        bool ok = package.read(name, [&](const char* data, std::size_t size, bool last) {
            if (XML_Parse(mParser, data, static_cast<int>(size), last) == XML_STATUS_ERROR) {
                if (!budget.failed())
                    budget.fail(Kind::Damaged,
                                statement::DamagedMessage(name + " " + std::to_string(XML_GetCurrentLineNumber(mParser))
                                                          + "번째 줄: " + XML_ErrorString(XML_GetErrorCode(mParser))));
                return false;
            }
            return !budget.failed();
        });
        mParser = nullptr;
        return ok && !budget.failed();
    }

protected:
    bool stopped() const { return mBudget->failed(); }
    // Stops the parse with the budget's error (already set by the caller).
    void stop()
    {
        if (mParser)
            XML_StopParser(mParser, XML_FALSE);
    }
    void fail(Kind kind, std::string message)
    {
        mBudget->fail(kind, std::move(message));
        stop();
    }
    CellBudget* mBudget = nullptr;

private:
    void refuse() { fail(Kind::Hostile, "파일에 허용되지 않는 XML 선언(DOCTYPE, ENTITY)이 있어 읽지 않았습니다"); }
    XML_Parser mParser = nullptr;
};

struct Relationships : XmlPart {
    std::map<std::string, std::pair<std::string, std::string>> byId; // id -> (type, target)
    void start(std::string_view name, const char** atts) override
    {
        if (name != "Relationship")
            return;
        const char* id = Attribute(atts, "Id");
        const char* type = Attribute(atts, "Type");
        const char* target = Attribute(atts, "Target");
        const char* mode = Attribute(atts, "TargetMode");
        if (id && target && !(mode && std::string_view(mode) == "External"))
            byId[id] = {type ? type : "", target};
    }
    void end(std::string_view) override {}
    std::string targetOfType(std::string_view tail) const
    {
        for (const auto& [id, rel] : byId)
            if (EndsWith(rel.first, tail))
                return rel.second;
        return {};
    }
};

struct Workbook : XmlPart {
    bool date1904 = false;
    std::vector<std::pair<std::string, std::string>> sheets; // (name, relationship id)
    void start(std::string_view name, const char** atts) override
    {
        if (name == "workbookPr") {
            const char* v = Attribute(atts, "date1904");
            date1904 = v && (std::string_view(v) == "1" || std::string_view(v) == "true");
        } else if (name == "sheet") {
            const char* n = Attribute(atts, "name");
            const char* id = Attribute(atts, "id");
            if (sheets.size() < 10'000)
                sheets.emplace_back(n ? n : "", id ? id : "");
        }
    }
    void end(std::string_view) override {}
};

// Shared strings: each <si> is its <t> text or the <t> of its runs; the
// phonetic guides (<rPh>) are left out.
struct SharedStrings : XmlPart {
    std::vector<std::string> strings;
    std::string current;
    bool inItem = false, inText = false;
    int phonetic = 0;
    void start(std::string_view name, const char**) override
    {
        if (name == "si") {
            inItem = true;
            current.clear();
        } else if (name == "rPh") {
            ++phonetic;
        } else if (name == "t" && inItem && phonetic == 0) {
            inText = true;
        }
    }
    void end(std::string_view name) override
    {
        if (name == "t") {
            inText = false;
        } else if (name == "rPh") {
            --phonetic;
        } else if (name == "si" && inItem) {
            inItem = false;
            if (!mBudget->spendText(current.size() + sizeof(std::string)))
                stop();
            strings.push_back(UnescapeOoxml(std::move(current)));
            current.clear();
        }
    }
    void text(const char* s, int len) override
    {
        if (!inText)
            return;
        if (current.size() + static_cast<std::size_t>(len) > 1'000'000) {
            fail(Kind::TooBig, "한 칸의 글자가 너무 많아 읽지 않았습니다");
            return;
        }
        current.append(s, static_cast<std::size_t>(len));
    }
};

// Which cell styles (the s= of a cell, an index into cellXfs) show dates.
struct Styles : XmlPart {
    std::map<int, bool> customIsDate;
    std::vector<int> xfFormat;
    bool inCellXfs = false;
    void start(std::string_view name, const char** atts) override
    {
        if (name == "numFmt") {
            const char* id = Attribute(atts, "numFmtId");
            const char* code = Attribute(atts, "formatCode");
            if (id && code)
                customIsDate[std::atoi(id)] = statement::IsDateFormatCode(code);
        } else if (name == "cellXfs") {
            inCellXfs = true;
        } else if (name == "xf" && inCellXfs && xfFormat.size() < 1'000'000) {
            const char* id = Attribute(atts, "numFmtId");
            xfFormat.push_back(id ? std::atoi(id) : 0);
        }
    }
    void end(std::string_view name) override
    {
        if (name == "cellXfs")
            inCellXfs = false;
    }
    std::vector<bool> dateStyles() const
    {
        std::vector<bool> out;
        for (int id : xfFormat) {
            auto custom = customIsDate.find(id);
            out.push_back(custom != customIsDate.end() ? custom->second : statement::IsBuiltInDateFormat(id));
        }
        return out;
    }
};

struct Worksheet : XmlPart {
    StatementSheet* sheet = nullptr;
    const std::vector<std::string>* strings = nullptr;
    const std::vector<bool>* dateStyles = nullptr;
    bool date1904 = false;

    struct Merge {
        std::size_t top, left, bottom, right;
    };
    std::vector<Merge> merges;

    std::size_t row = 0;
    bool rowStarted = false;
    std::size_t nextColumn = 0;
    bool inCell = false, capture = false;
    int inlineString = 0, phonetic = 0;
    std::size_t column = 0;
    std::string type, value;
    // An inline string's own text (<is>): Excel shows it and ignores a <v>
    // some writers put beside it.
    std::string inlineText;
    bool sawInline = false;
    int style = 0;
    bool inSheetData = false;

    void start(std::string_view name, const char** atts) override
    {
        if (name == "sheetData") {
            inSheetData = true;
        } else if (name == "row" && inSheetData) {
            const char* r = Attribute(atts, "r");
            std::size_t n = 0;
            if (r && std::from_chars(r, r + std::strlen(r), n).ec == std::errc() && n >= 1)
                row = n - 1;
            else if (rowStarted)
                ++row;
            rowStarted = true;
            nextColumn = 0;
            if (row >= statement::kMaxRows)
                fail(Kind::Damaged, statement::DamagedMessage("행 번호가 범위를 벗어났습니다"));
        } else if (name == "c" && inSheetData) {
            inCell = true;
            column = nextColumn;
            const char* r = Attribute(atts, "r");
            std::size_t refRow = 0;
            bool hasRow = false;
            if (r && !statement::ParseCellReference(r, column, refRow, hasRow)) {
                fail(Kind::Damaged, statement::DamagedMessage(std::string("칸 위치 ") + r + "이(가) 잘못되었습니다"));
                return;
            }
            if (hasRow)
                row = refRow;
            rowStarted = true;
            nextColumn = column + 1;
            const char* t = Attribute(atts, "t");
            type = t ? t : "n";
            const char* s = Attribute(atts, "s");
            style = s ? std::atoi(s) : 0;
            value.clear();
            inlineText.clear();
            sawInline = false;
        } else if (inCell && name == "v") {
            capture = true;
        } else if (inCell && name == "is") {
            ++inlineString;
            sawInline = true;
        } else if (inCell && name == "rPh") {
            ++phonetic;
        } else if (inCell && name == "t" && inlineString > 0 && phonetic == 0) {
            capture = true;
        } else if (name == "mergeCell") {
            const char* ref = Attribute(atts, "ref");
            if (ref)
                addMerge(ref);
        }
    }

    void addMerge(std::string ref)
    {
        std::size_t colon = ref.find(':');
        std::string a = ref.substr(0, colon), b = colon == std::string::npos ? a : ref.substr(colon + 1);
        Merge m{};
        bool hasRowA = false, hasRowB = false;
        if (statement::ParseCellReference(a.c_str(), m.left, m.top, hasRowA)
            && statement::ParseCellReference(b.c_str(), m.right, m.bottom, hasRowB) && hasRowA && hasRowB
            && merges.size() < 1'000'000)
            merges.push_back(m);
    }

    void end(std::string_view name) override
    {
        if (name == "sheetData") {
            inSheetData = false;
        } else if (name == "v" || name == "t") {
            capture = false;
        } else if (name == "is") {
            --inlineString;
        } else if (name == "rPh") {
            --phonetic;
        } else if (name == "c" && inCell) {
            inCell = false;
            finishCell();
        }
    }

    void text(const char* s, int len) override
    {
        if (!capture)
            return;
        std::string& into = inlineString > 0 ? inlineText : value;
        if (into.size() + static_cast<std::size_t>(len) > 1'000'000) {
            fail(Kind::TooBig, "한 칸의 글자가 너무 많아 읽지 않았습니다");
            return;
        }
        into.append(s, static_cast<std::size_t>(len));
    }

    void finishCell()
    {
        StatementCell cell;
        if (type == "s") {
            std::size_t index = 0;
            if (value.empty() || std::from_chars(value.data(), value.data() + value.size(), index).ec != std::errc()
                || index >= strings->size()) {
                if (value.empty())
                    return;
                fail(Kind::Damaged, statement::DamagedMessage("없는 공유 문자열을 가리키는 칸이 있습니다"));
                return;
            }
            if ((*strings)[index].empty())
                return;
            cell.kind = StatementCell::Kind::Text;
            cell.text = (*strings)[index];
        } else if (type == "inlineStr" || type == "str" || type == "e") {
            if (sawInline)
                value = std::move(inlineText);
            if (value.empty())
                return;
            cell.kind = StatementCell::Kind::Text;
            cell.text = UnescapeOoxml(std::move(value));
        } else if (type == "b") {
            if (value.empty())
                return;
            cell.kind = StatementCell::Kind::Text;
            cell.number = value == "1" || value == "true" ? 1 : 0;
            cell.text = cell.number ? "TRUE" : "FALSE";
        } else if (type == "d") {
            double serial = 0;
            if (value.empty())
                return;
            if (StatementSerialFromText(value.substr(0, 19), serial)) {
                cell.kind = StatementCell::Kind::Date;
                cell.number = serial;
                cell.text = StatementDateText(serial);
            } else {
                cell.kind = StatementCell::Kind::Text;
                cell.text = value;
            }
        } else {
            while (!value.empty() && (value.back() == ' ' || value.back() == '\n'))
                value.pop_back();
            if (value.empty())
                return;
            double number = 0;
            const char* first = value.data() + (value[0] == '+' ? 1 : 0);
            auto [ptr, ec] = std::from_chars(first, value.data() + value.size(), number);
            if (ec != std::errc() || ptr != value.data() + value.size()) {
                cell.kind = StatementCell::Kind::Text;
                cell.text = value;
            } else {
                bool isDate = style >= 0 && static_cast<std::size_t>(style) < dateStyles->size()
                    && (*dateStyles)[static_cast<std::size_t>(style)];
                double serial = number + (date1904 ? 1462 : 0);
                std::string dateText = isDate ? StatementDateText(serial) : std::string();
                if (!dateText.empty()) {
                    cell.kind = StatementCell::Kind::Date;
                    cell.number = serial;
                    cell.text = std::move(dateText);
                } else {
                    cell.kind = StatementCell::Kind::Number;
                    cell.number = number;
                    cell.text = value;
                }
            }
        }
        if (!statement::PutCell(*sheet, row, column, std::move(cell), *mBudget))
            stop();
    }

    bool applyMerges()
    {
        const std::size_t width = statement::SheetWidth(*sheet);
        for (const Merge& m : merges)
            if (!statement::FillMerged(*sheet, width, m.top, m.left, m.bottom, m.right, *mBudget))
                return false;
        return true;
    }
};

} // namespace

StatementReadResult ReadXlsxStatement(const std::string& bytes, const StatementReadOptions& options)
{
    StatementReadResult result;
    result.book.format = StatementFormat::Xlsx;
    CellBudget budget(options);
    auto failed = [&] {
        result.book.sheets.clear();
        result.error = budget.error();
        return result;
    };
    if (bytes.size() > options.sizeLimit) {
        budget.fail(Kind::TooBig, "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20) + " MB까지)");
        return failed();
    }
    Package package(bytes, options, budget);
    if (budget.failed())
        return failed();

    std::string workbookPart = "xl/workbook.xml";
    if (package.has("_rels/.rels")) {
        Relationships root;
        if (!root.parse(package, "_rels/.rels", budget))
            return failed();
        std::string target = root.targetOfType("/officeDocument");
        if (!target.empty())
            workbookPart = ResolvePart("", target);
    }
    if (!package.has(workbookPart)) {
        if (package.has("content.xml") && package.has("mimetype"))
            budget.fail(Kind::UnknownFormat, "OpenDocument 스프레드시트(ods)는 읽을 수 없습니다. xlsx로 저장한 뒤 다시 가져오십시오");
        else
            budget.fail(Kind::UnknownFormat, "xlsx 통합 문서가 아닌 압축 파일입니다");
        return failed();
    }
    Workbook workbook;
    if (!workbook.parse(package, workbookPart, budget))
        return failed();
    const std::string folder = FolderOf(workbookPart);
    const std::string relsPart = folder + "_rels/" + workbookPart.substr(folder.size()) + ".rels";
    Relationships rels;
    if (package.has(relsPart) && !rels.parse(package, relsPart, budget))
        return failed();

    SharedStrings shared;
    std::string sharedPart = rels.targetOfType("/sharedStrings");
    sharedPart = sharedPart.empty() ? folder + "sharedStrings.xml" : ResolvePart(folder, sharedPart);
    if (package.has(sharedPart) && !shared.parse(package, sharedPart, budget))
        return failed();

    Styles styles;
    std::string stylesPart = rels.targetOfType("/styles");
    stylesPart = stylesPart.empty() ? folder + "styles.xml" : ResolvePart(folder, stylesPart);
    if (package.has(stylesPart) && !styles.parse(package, stylesPart, budget))
        return failed();
    const std::vector<bool> dateStyles = styles.dateStyles();

    for (std::size_t i = 0; i < workbook.sheets.size(); ++i) {
        const auto& [name, id] = workbook.sheets[i];
        StatementSheet sheet;
        sheet.name = name.empty() ? "Sheet" + std::to_string(i + 1) : name;
        auto rel = rels.byId.find(id);
        // A chart sheet or a dialog sheet has no cells; it stays in the list
        // so the sheets keep the numbers the user sees in a spreadsheet.
        if (rel != rels.byId.end() && EndsWith(rel->second.first, "/worksheet")) {
            Worksheet ws;
            ws.sheet = &sheet;
            ws.strings = &shared.strings;
            ws.dateStyles = &dateStyles;
            ws.date1904 = workbook.date1904;
            if (!ws.parse(package, ResolvePart(folder, rel->second.second), budget) || !ws.applyMerges())
                return failed();
        }
        result.book.sheets.push_back(std::move(sheet));
    }
    if (result.book.sheets.empty()) {
        budget.fail(Kind::Damaged, statement::DamagedMessage("시트가 하나도 없습니다"));
        return failed();
    }
    return result;
}

} // namespace quill
