// SPDX-License-Identifier: GPL-3.0-or-later
// Legacy .xls (BIFF in an OLE2 compound file) through FreeXL, which wants
// a path. FreeXL gives dates as text in the workbook's own calendar, so
// the 1900 serial is computed from that text, whichever date system the
// workbook used. FreeXL leaves out formula cells and merged ranges; those
// are read from the workbook's records beside it (XlsRecords).
#include "core/statement/SheetCells.h"
#include "core/statement/StatementBook.h"
#include "core/statement/XlsRecords.h"

#include <freexl.h>

#if defined(__SANITIZE_ADDRESS__)
#define QB_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QB_ASAN 1
#endif
#endif
#ifdef QB_ASAN
#include <sanitizer/asan_interface.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quill {

namespace {

using Kind = StatementReadError::Kind;

std::string ShortestDecimal(double v)
{
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string();
}

StatementReadError OpenError(int code)
{
    switch (code) {
    case FREEXL_FILE_NOT_FOUND: return {Kind::NotFound, "파일을 찾을 수 없습니다"};
    case FREEXL_INSUFFICIENT_MEMORY: return {Kind::TooBig, "메모리가 모자라 읽지 못했습니다"};
    case FREEXL_CRAFTED_FILE: return {Kind::Hostile, "파일이 일부러 망가뜨린 모양이어서 읽지 않았습니다"};
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND: return {Kind::UnknownFormat, "엑셀 통합 문서가 들어 있지 않은 파일입니다"};
    default: return {Kind::Damaged, statement::DamagedMessage("xls 구조가 맞지 않습니다")};
    }
}

// Formula values and merged ranges, which FreeXL leaves out, from the
// workbook's own records: the sheet of the same name, else the one at the
// same place when both list the same number of sheets.
void AddExtras(StatementSheet& sheet, std::vector<statement::XlsSheetExtras>& extras, unsigned int index,
               unsigned int sheetCount, statement::CellBudget& budget)
{
    statement::XlsSheetExtras* found = nullptr;
    for (auto& e : extras)
        if (e.name == sheet.name) {
            found = &e;
            break;
        }
    if (!found && extras.size() == sheetCount)
        found = &extras[index];
    if (!found)
        return;
    for (auto& f : found->formulas) {
        const bool free = f.row >= sheet.rows.size() || f.column >= sheet.rows[f.row].size()
            || sheet.rows[f.row][f.column].kind == StatementCell::Kind::Empty;
        if (free && !statement::PutCell(sheet, f.row, f.column, std::move(f.cell), budget) && budget.failed())
            return;
    }
    const std::size_t width = statement::SheetWidth(sheet);
    for (const auto& m : found->merges)
        if (!statement::FillMerged(sheet, width, m.top, m.left, m.bottom, m.right, budget))
            return;
    found->name.clear(); // used
    found->name.push_back('\0');
}

// The part that runs FreeXL: in a child process (see below).
void ReadWithFreexl(const std::string& path, const StatementReadOptions& options,
                    std::vector<statement::XlsSheetExtras>& extras, StatementReadResult& result)
{
    const void* handle = nullptr;
    int rc = freexl_open(path.c_str(), &handle);
    if (rc != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        result.error = OpenError(rc);
        return;
    }
    struct Closer {
        const void* h;
        ~Closer() { freexl_close(h); }
    } closer{handle};

    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        result.error = {Kind::Encrypted, statement::EncryptedMessage()};
        return;
    }
    unsigned int sheetCount = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK || sheetCount == 0) {
        result.error = {Kind::Damaged, statement::DamagedMessage("시트가 하나도 없습니다")};
        return;
    }
    statement::CellBudget budget(options);
    for (unsigned int s = 0; s < sheetCount && s <= 0xFFFF; ++s) {
        StatementSheet sheet;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, static_cast<unsigned short>(s), &name) == FREEXL_OK && name)
            sheet.name = name;
        if (sheet.name.empty())
            sheet.name = "Sheet" + std::to_string(s + 1);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(handle, static_cast<unsigned short>(s)) != FREEXL_OK
            || freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
            result.error = {Kind::Damaged, statement::DamagedMessage("시트 " + sheet.name + "을(를) 읽지 못했습니다")};
            result.book.sheets.clear();
            return;
        }
        for (unsigned int r = 0; r < rows && r < statement::kMaxRows && !budget.failed(); ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                    continue;
                StatementCell cell;
                switch (v.type) {
                case FREEXL_CELL_INT:
                    cell.kind = StatementCell::Kind::Number;
                    cell.number = v.value.int_value;
                    cell.text = std::to_string(v.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    cell.kind = StatementCell::Kind::Number;
                    cell.number = v.value.double_value;
                    cell.text = ShortestDecimal(v.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    if (v.value.text_value && *v.value.text_value) {
                        cell.kind = StatementCell::Kind::Text;
                        cell.text = v.value.text_value;
                    }
                    break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    if (v.value.text_value) {
                        double serial = 0;
                        if (StatementSerialFromText(v.value.text_value, serial)) {
                            cell.kind = StatementCell::Kind::Date;
                            cell.number = serial;
                            cell.text = StatementDateText(serial);
                        } else if (*v.value.text_value) {
                            cell.kind = StatementCell::Kind::Text;
                            cell.text = v.value.text_value;
                        }
                    }
                    break;
                default: break;
                }
                if (cell.kind != StatementCell::Kind::Empty && !statement::PutCell(sheet, r, c, std::move(cell), budget))
                    break;
            }
        }
        if (!budget.failed())
            AddExtras(sheet, extras, s, sheetCount, budget);
        if (budget.failed()) {
            result.error = budget.error();
            result.book.sheets.clear();
            return;
        }
        result.book.sheets.push_back(std::move(sheet));
    }
}

// The child's result crosses the pipe as length-prefixed fields.
void PutNumber(std::string& out, std::uint64_t v)
{
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}
void PutText(std::string& out, const std::string& text)
{
    PutNumber(out, text.size());
    out += text;
}
std::string Serialise(const StatementReadResult& r)
{
    std::string out;
    PutNumber(out, static_cast<std::uint64_t>(r.error.kind));
    PutText(out, r.error.message);
    PutNumber(out, r.book.sheets.size());
    for (const StatementSheet& sheet : r.book.sheets) {
        PutText(out, sheet.name);
        PutNumber(out, sheet.rows.size());
        for (const auto& row : sheet.rows) {
            PutNumber(out, row.size());
            for (const StatementCell& c : row) {
                PutNumber(out, static_cast<std::uint64_t>(c.kind) | (c.spanned ? 0x100u : 0u));
                std::uint64_t bits = 0;
                std::memcpy(&bits, &c.number, sizeof bits);
                PutNumber(out, bits);
                PutText(out, c.text);
            }
        }
    }
    return out;
}

struct Reader {
    const std::string& in;
    std::size_t at = 0;
    bool ok = true;
    std::uint64_t number()
    {
        std::uint64_t v = 0;
        if (in.size() - at < sizeof v) {
            ok = false;
            return 0;
        }
        std::memcpy(&v, in.data() + at, sizeof v);
        at += sizeof v;
        return v;
    }
    std::string text()
    {
        const std::uint64_t n = number();
        if (!ok || in.size() - at < n) {
            ok = false;
            return {};
        }
        std::string t = in.substr(at, n);
        at += n;
        return t;
    }
    // A count can be no larger than the bytes left: a cut stream ends here.
    std::uint64_t count()
    {
        const std::uint64_t n = number();
        if (n > in.size() - at)
            ok = false;
        return ok ? n : 0;
    }
};

bool Deserialise(const std::string& in, StatementReadResult& r)
{
    Reader rd{in};
    r.error.kind = static_cast<Kind>(rd.number());
    r.error.message = rd.text();
    const std::uint64_t sheets = rd.count();
    for (std::uint64_t s = 0; rd.ok && s < sheets; ++s) {
        StatementSheet sheet;
        sheet.name = rd.text();
        const std::uint64_t rows = rd.count();
        sheet.rows.resize(rows);
        for (std::uint64_t i = 0; rd.ok && i < rows; ++i) {
            const std::uint64_t cells = rd.count();
            sheet.rows[i].resize(cells);
            for (std::uint64_t j = 0; rd.ok && j < cells; ++j) {
                StatementCell& c = sheet.rows[i][j];
                const std::uint64_t kind = rd.number();
                c.kind = static_cast<StatementCell::Kind>(kind & 0xFF);
                c.spanned = (kind & 0x100) != 0;
                const std::uint64_t bits = rd.number();
                std::memcpy(&c.number, &bits, sizeof bits);
                c.text = rd.text();
            }
        }
        r.book.sheets.push_back(std::move(sheet));
    }
    return rd.ok && rd.at == in.size();
}

// The reading child's exit statuses besides 0 (and the sanitizers' own).
constexpr int kChildWriteFailed = 2;
constexpr int kChildFreexlFault = 3;

#ifdef QB_ASAN
// AddressSanitizer's report in the reading child: a fault whose first frame
// of a library or program is FreeXL's is the file's (damaged); any other
// goes on to the sanitizer's own exit status.
void ExitIfFreexlFault(const char* report)
{
    const char* frame = std::strstr(report, "#0 ");
    for (; frame != nullptr; frame = std::strstr(frame + 1, "\n    #")) {
        const char* end = std::strchr(frame + 1, '\n');
        const std::string_view line(frame, end ? static_cast<std::size_t>(end - frame) : std::strlen(frame));
        if (line.find("libfreexl") != std::string_view::npos)
            ::_exit(kChildFreexlFault);
        // The sanitizer's interceptors and the C library stand before the
        // caller; the first other frame decides.
        if (line.find("libasan") == std::string_view::npos && line.find("libc.so") == std::string_view::npos &&
            line.find("sanitizer_common") == std::string_view::npos && line.find("asan_") == std::string_view::npos)
            return;
    }
}
#endif

} // namespace

StatementReadResult ReadXlsStatement(const std::string& path, const StatementReadOptions& options)
{
    StatementReadResult result;
    result.book.format = StatementFormat::Xls;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = {Kind::NotFound, "파일을 찾을 수 없습니다"};
        return result;
    }
    if (static_cast<std::uint64_t>(st.st_size) > options.sizeLimit) {
        result.error = {Kind::TooBig,
                        "파일이 너무 커서 읽지 않았습니다 (" + std::to_string(options.sizeLimit >> 20) + " MB까지)"};
        return result;
    }
    std::vector<statement::XlsSheetExtras> extras;
    {
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (statement::IsEncryptedOfficeFile(bytes) || statement::XlsHasPassword(bytes)) {
            result.error = {Kind::Encrypted, statement::EncryptedMessage()};
            return result;
        }
        if (!statement::XlsStructureSound(bytes)) {
            result.error = {Kind::Damaged, statement::DamagedMessage("xls 구조가 맞지 않습니다")};
            return result;
        }
        statement::ReadXlsExtras(bytes, extras);
    }

    // FreeXL has read out of bounds on crafted files more than once. It runs
    // in a child process, so that whatever it does to its memory cannot
    // reach ours: a child that dies, or takes too long, means a damaged file.
    // Under the sanitizers the child's report tells whose fault it was: one
    // in FreeXL (an uninstrumented library we cannot mend) is a damaged file,
    // one in our own code fails the run rather than hide as "damaged".
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.error = {Kind::Io, "파일을 읽지 못했습니다"};
        return result;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        result.error = {Kind::Io, "파일을 읽지 못했습니다"};
        return result;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        ::alarm(60);
#ifdef QB_ASAN
        __asan_set_error_report_callback(ExitIfFreexlFault);
#endif
        StatementReadResult mine;
        mine.book.format = StatementFormat::Xls;
        ReadWithFreexl(path, options, extras, mine);
        const std::string out = Serialise(mine);
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                ::_exit(kChildWriteFailed);
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
#if defined(QB_ASAN) || defined(QB_SANITIZED)
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != kChildWriteFailed &&
        WEXITSTATUS(status) != kChildFreexlFault) {
        std::fprintf(stderr, "xls reader: the child reading %s ended with a sanitizer's status %d\n",
                     path.c_str(), WEXITSTATUS(status));
        std::abort();
    }
#endif
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Deserialise(bytes, result)) {
        result.book.sheets.clear();
        result.error = {Kind::Damaged, statement::DamagedMessage("xls 파일을 읽다가 멈췄습니다")};
    }
    return result;
}

} // namespace quill
