// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"
#include "core/ledger/WorkingTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill {

// The texts of the description and counterparty fields already in the
// ledger, for suggestions while typing: each distinct text once, with how
// often it is used and the latest date it is used on. Built from the table
// when a ledger is opened or merged and kept up to date with every change.
class SuggestionIndex {
public:
    enum class Field { Description, Counterparty };

    void clear();
    void build(const WorkingTable& table);
    void add(const LedgerEntry& e);
    // `table` is the table the entry has left: when the entry held the
    // latest date of one of its texts, the next latest is found there.
    void remove(const LedgerEntry& e, const WorkingTable& table);

    // The texts (UTF-8) that start with `query` (UTF-8) or whose initial
    // consonants do (초성 search); the query's last character may still be
    // composed. The most used first, then the most recent, then in text
    // order; at most `limit`. A text equal to the query is left out: it has
    // nothing to add.
    std::vector<std::string> suggest(Field field, std::string_view query, std::size_t limit) const;

    // Number of entries using the text (CP949); 0 when none does.
    std::uint32_t count(Field field, std::string_view cp949) const;
    std::size_t distinctCount(Field field) const;

private:
    struct Item {
        std::string cp949;
        std::u32string text;
        std::uint32_t count = 0;
        FixedText<10> latest;
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    struct Texts {
        std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> ids;
        std::vector<Item> items;
    };

    static std::string_view textOf(const LedgerEntry& e, Field field);
    void addText(Texts& texts, std::string_view cp949, const FixedText<10>& date);
    void removeText(Texts& texts, Field field, std::string_view cp949, const FixedText<10>& date,
                    const WorkingTable& table);
    Texts& texts(Field field) { return field == Field::Description ? description_ : counterparty_; }
    const Texts& texts(Field field) const { return field == Field::Description ? description_ : counterparty_; }

    Texts description_;
    Texts counterparty_;
};

// The latest entry (by date, the last of its date) with the counterparty
// (CP949), or nullptr when no entry has it.
const LedgerEntry* LatestEntryOf(const WorkingTable& table, std::string_view counterparty);

} // namespace quill
