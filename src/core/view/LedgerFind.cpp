// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/view/LedgerFind.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"

#include <algorithm>

namespace quill {

namespace {

char foldByte(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Byte search with A..Z folded; it may also hit inside a double-byte
// character, which the decoded comparison then rules out.
bool mayContain(std::string_view field, std::string_view folded)
{
    if (folded.size() > field.size())
        return false;
    const char first = folded[0];
    for (std::size_t at = 0; at + folded.size() <= field.size(); ++at) {
        if (foldByte(field[at]) != first)
            continue;
        std::size_t k = 1;
        while (k < folded.size() && foldByte(field[at + k]) == folded[k])
            ++k;
        if (k == folded.size())
            return true;
    }
    return false;
}

} // namespace

LedgerFind::LedgerFind(std::string_view queryUtf8) : query_(DecodeUtf8(queryUtf8))
{
    const bool initials = std::any_of(query_.begin(), query_.end(), [](char32_t c) { return JamoInitial(c) >= 0; });
    if (initials || query_.empty())
        return;
    Cp949Encoding encoded = encodeCp949(queryUtf8);
    if (!encoded.bytes) {
        cannotMatch_ = true;  // no stored text can hold it
        return;
    }
    bytes_ = *encoded.bytes;
    for (char& c : bytes_)
        c = foldByte(c);
}

bool LedgerFind::fieldMatches(std::string_view cp949) const
{
    if (cp949.empty())
        return false;
    if (!bytes_.empty() && !mayContain(cp949, bytes_))
        return false;
    thread_local std::u32string decoded;
    cp949CodePoints(cp949, decoded);
    return Contains(decoded, query_);
}

bool LedgerFind::matches(const LedgerEntry& e) const
{
    if (query_.empty() || cannotMatch_)
        return false;
    return fieldMatches(e.JKYU.view()) || fieldMatches(e.SANGHO.view()) || fieldMatches(e.ETC.view());
}

int LedgerFind::next(const WorkingTable& table, int from, bool backward) const
{
    const int n = table.recordCount();
    if (n == 0 || query_.empty() || cannotMatch_)
        return -1;
    if (from < 0 || from >= n)
        from = backward ? n : -1;
    for (int step = 1; step <= n; ++step) {
        const int i = backward ? ((from - step) % n + n) % n : (from + step) % n;
        if (matches(table.visibleRow(i)))
            return i;
    }
    return -1;
}

std::vector<int> LedgerFind::all(const WorkingTable& table) const
{
    std::vector<int> found;
    if (query_.empty() || cannotMatch_)
        return found;
    for (int i = 0; i < table.recordCount(); ++i)
        if (matches(table.visibleRow(i)))
            found.push_back(i);
    return found;
}

} // namespace quill
