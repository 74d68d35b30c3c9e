// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DumpLine.h"

#include "core/text/Cp949.h"
#include "core/ledger/Money.h"
#include "core/text/TabSeparated.h"

#include <vector>

namespace {

using quill::AutRecord;

// The text as the table would hold it: cut at the first zero byte.
std::string tableText(std::string_view stored)
{
    std::size_t zero = stored.find('\0');
    return std::string(stored.substr(0, zero));
}

} // namespace

void appendDumpLine(const AutRecord& rec, std::string& out)
{
    // Texts are escaped, so no tab or line break of theirs reaches the line.
    auto text = [&](AutRecord::Slot s) { return quill::decodeCp949Escaped(tableText(rec.storedText(s))); };
    std::vector<std::string> cells = {text(AutRecord::IDAY), text(AutRecord::JKYU), text(AutRecord::SANGHO)};
    for (int f = 0; f < quill::kMoneyFieldCount; ++f)
        cells.push_back(quill::plainDecimal(rec.storedAmount(f)));
    cells.push_back(text(AutRecord::ETC));
    cells.push_back(text(AutRecord::TAG));
    cells.push_back(std::to_string(rec.storedCtg()));
    quill::AppendTabLine(out, cells);
}

std::optional<std::string> parseDumpLine(std::string_view line, quill::AutRecord& record)
{
    std::vector<std::string> cols = quill::SplitTabLine(line);
    if (cols.size() != 12)
        return "expected 12 tab-separated columns, found " + std::to_string(cols.size());

    struct TextColumn {
        int index;
        const char* name;
        std::size_t capacity;
    };
    static const TextColumn texts[] = {{0, "IDAY", 10}, {1, "JKYU", 45}, {2, "SANGHO", 35},
                                       {9, "ETC", 15}, {10, "TAG", 1}};
    quill::LedgerEntry e;
    for (const TextColumn& t : texts) {
        quill::Cp949Encoding enc = quill::encodeCp949Escaped(cols[static_cast<std::size_t>(t.index)]);
        if (!enc.bytes)
            return std::string(t.name) + ": \"" + enc.rejected + "\" cannot be stored in CP949";
        if (enc.bytes->size() > t.capacity)
            return std::string(t.name) + ": " + std::to_string(enc.bytes->size()) + " bytes, at most "
                + std::to_string(t.capacity) + " fit";
        if (enc.bytes->find('\0') != std::string::npos)
            return std::string(t.name) + ": a zero byte cannot be stored in a text";
        switch (t.index) {
        case 0: e.IDAY = *enc.bytes; break;
        case 1: e.JKYU = *enc.bytes; break;
        case 2: e.SANGHO = *enc.bytes; break;
        case 9: e.ETC = *enc.bytes; break;
        case 10: e.TAG = *enc.bytes; break;
        }
    }
    std::int64_t amounts[quill::kMoneyFieldCount];
    for (int f = 0; f < quill::kMoneyFieldCount; ++f) {
        const std::string& text = cols[static_cast<std::size_t>(3 + f)];
        std::optional<std::int64_t> tenths = quill::parsePlainDecimal(text);
        if (!tenths)
            return std::string(quill::moneyFieldName(f)) + ": \"" + text
                + "\" is not a plain decimal amount within the file's range";
        amounts[f] = *tenths;
    }
    const std::string& ctg = cols[11];
    std::optional<std::int64_t> c = quill::parsePlainDecimal(ctg);
    if (!c || ctg.find('.') != std::string::npos || *c % 10000 != 0 || *c / 10000 < INT32_MIN
        || *c / 10000 > INT32_MAX)
        return "CTG: \"" + ctg + "\" is not a 32-bit whole number";
    e.CTG = static_cast<std::int32_t>(*c / 10000);
    if (quill::IoResult r = record.compose(e); !r)
        return r.message;  // the amounts are zero here: cannot happen
    for (int f = 0; f < quill::kMoneyFieldCount; ++f)
        record.setStoredAmount(f, amounts[f]);
    return std::nullopt;
}

