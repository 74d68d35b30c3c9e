// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/WorkingTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace quill {

// A search of the find bar: the description, counterparty and remark of the
// rows the filter shows, for a text anywhere in them (Latin letters without
// case; a consonant ㄱ..ㅎ matches any syllable with that initial).
class LedgerFind {
public:
    explicit LedgerFind(std::string_view queryUtf8);

    bool empty() const { return query_.empty(); }
    bool matches(const LedgerEntry& e) const;
    // The visible index of the first match after `from` (before it, going
    // backward), going round at the end; `from` -1 starts at the top (or the
    // bottom). -1 when no row matches.
    int next(const WorkingTable& table, int from, bool backward) const;
    // Every matching visible index, in order.
    std::vector<int> all(const WorkingTable& table) const;

private:
    bool fieldMatches(std::string_view cp949) const;

    std::u32string query_;
    // The query in CP949 with A..Z folded, to pass over fields that cannot
    // hold it without decoding them; empty when the query has a consonant
    // letter standing for syllables or no CP949 form.
    std::string bytes_;
    bool cannotMatch_ = false;
};

} // namespace quill
