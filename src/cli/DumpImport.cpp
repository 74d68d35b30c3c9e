// dump and import: a ledger file as tab-separated UTF-8 lines and back.
#include "Commands.h"
#include "CliSupport.h"

#include "app/Cp949.h"
#include "ledger/AutRecord.h"
#include "ledger/Money.h"
#include "ledger/WorkingTable.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using quill::AutRecord;

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> cols;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        cols.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return cols;
}

// The text as the table would hold it: cut at the first zero byte.
std::string tableText(std::string_view stored)
{
    std::size_t zero = stored.find('\0');
    return std::string(stored.substr(0, zero));
}

// Parses one dump line into an entry; returns the reason when it is bad.
std::optional<std::string> parseLine(const std::string& line, quill::LedgerEntry& e)
{
    std::vector<std::string> cols = splitTabs(line);
    if (cols.size() != 12)
        return "expected 12 tab-separated columns, found " + std::to_string(cols.size());

    struct TextColumn {
        int index;
        const char* name;
        std::size_t capacity;
    };
    static const TextColumn texts[] = {{0, "IDAY", 10}, {1, "JKYU", 45}, {2, "SANGHO", 35},
                                       {9, "ETC", 15}, {10, "TAG", 1}};
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
    for (int f = 0; f < quill::kMoneyFieldCount; ++f) {
        const std::string& text = cols[static_cast<std::size_t>(3 + f)];
        std::optional<std::int64_t> tenths = quill::parsePlainDecimal(text);
        if (!tenths)
            return std::string(quill::moneyFieldName(f)) + ": \"" + text
                + "\" is not a plain decimal amount within the file's range";
        double amount = quill::fromTenThousandths(*tenths);
        if (!quill::toTenThousandths(amount))
            return std::string(quill::moneyFieldName(f)) + ": \"" + text + "\" is outside the file's range";
        quill::setMoneyValue(e, f, amount);
    }
    const std::string& ctg = cols[11];
    std::optional<std::int64_t> c = quill::parsePlainDecimal(ctg);
    if (!c || ctg.find('.') != std::string::npos || *c % 10000 != 0 || *c / 10000 < INT32_MIN
        || *c / 10000 > INT32_MAX)
        return "CTG: \"" + ctg + "\" is not a 32-bit whole number";
    e.CTG = static_cast<std::int32_t>(*c / 10000);
    return std::nullopt;
}

} // namespace

int runDump(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1)
        return cliFail(2, "usage: quillbook-cli dump FILE");
    std::ostringstream out;
    auto text = [](std::string_view stored) { return quill::decodeCp949Escaped(tableText(stored)); };
    quill::IoResult r = quill::ScanLedgerFile(a.positional[0], [&](const AutRecord& rec) {
        out << text(rec.storedText(AutRecord::IDAY)) << '\t' << text(rec.storedText(AutRecord::JKYU)) << '\t'
            << text(rec.storedText(AutRecord::SANGHO));
        for (int f = 0; f < quill::kMoneyFieldCount; ++f)
            out << '\t' << quill::plainDecimal(rec.storedAmount(f));
        out << '\t' << text(rec.storedText(AutRecord::ETC)) << '\t' << text(rec.storedText(AutRecord::TAG)) << '\t'
            << rec.storedCtg() << '\n';
        if (out.tellp() > (1 << 20)) {
            std::cout << out.str();
            out.str({});
        }
        return true;
    });
    std::cout << out.str() << std::flush;
    if (!r)
        return cliFail(1, a.positional[0] + ": " + r.message);
    return 0;
}

int runImport(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 2)
        return cliFail(2, "usage: quillbook-cli import IN.tsv OUT.Aut");
    const std::string& in = a.positional[0];
    const std::string& outPath = a.positional[1];
    std::ifstream file(in, std::ios::binary);
    if (!file)
        return cliFail(1, in + ": cannot be read");

    quill::WorkingTable table;
    std::string line;
    std::size_t lineNo = 0;
    while (std::getline(file, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() && file.peek() == std::char_traits<char>::eof())
            break;
        quill::LedgerEntry e;
        if (auto err = parseLine(line, e))
            return cliFail(1, in + ": line " + std::to_string(lineNo) + ": " + *err);
        table.appendRaw(e);
    }
    if (file.bad())
        return cliFail(1, in + ": read error");
    table.orderBy("IDAY");
    table.open();
    quill::IoResult r = quill::WriteLedgerFile(outPath, table);
    if (!r)
        return cliFail(1, outPath + ": " + r.message);
    return 0;
}
