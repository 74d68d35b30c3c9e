// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/Accounts.h"
#include "core/ledger/LedgerEntry.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill {

// A rule of the user's: a description or counterparty holding a word gets
// an account (HomeBank's assignment rules). Texts are UTF-8.
struct AccountRule {
    enum class Field { Either, Description, Counterparty };
    Field field = Field::Either;
    std::string contains;
    std::int32_t account = 0;
    // "거래처에 '주유' 포함 → 차량유지비"
    std::string label() const;
};

// An account proposed for an entry, and why (UTF-8), for the entry panel,
// the review list and the statement importer alike. code 0: nothing to
// propose.
struct AccountProposal {
    std::int32_t code = 0;
    std::string reason;
    explicit operator bool() const { return code != 0; }
};

// Proposes accounts from the user's rules, then from the ledger's own
// history: first the entries with the same description and counterparty,
// then the same counterparty, then a naive-Bayes score over the words of
// both (GnuCash's import matcher does the same over past bookings). Only
// accounts of the entry's kind are proposed (income, expense, asset).
// Texts given to it are CP949, as the ledger holds them.
class AccountProposer {
public:
    explicit AccountProposer(std::vector<AccountRule> rules = {});

    // Learns from an entry with a listed account; others are ignored.
    void learn(const LedgerEntry& e);
    void learn(std::span<const LedgerEntry> rows);

    AccountProposal propose(std::string_view descriptionCp949, std::string_view counterpartyCp949,
                            Category category) const;
    AccountProposal propose(const LedgerEntry& e) const;

    std::size_t learned() const { return learned_; }

private:
    struct Counts {
        std::map<std::int32_t, int> byCode;
        int total = 0;
        void add(std::int32_t code)
        {
            ++byCode[code];
            ++total;
        }
    };
    // The most frequent code of the kind (ties: the lowest code), with its count.
    static std::pair<std::int32_t, int> best(const Counts& c, AccountKind kind);

    std::vector<AccountRule> rules_;
    std::unordered_map<std::string, Counts> exact_;        // description \x1f counterparty
    std::unordered_map<std::string, Counts> counterparty_;
    std::unordered_map<std::string, Counts> tokens_;
    std::map<std::int32_t, int> tokenTotals_;              // tokens seen per account
    std::map<std::int32_t, int> entries_;                  // entries per account
    std::size_t learned_ = 0;
};

// The words an entry's texts give the engine (UTF-8, ASCII lowered; a
// Hangul word of three or more syllables also gives its syllable pairs, so
// "점심식대" meets "식대"). Prefixed "d:" for the description and "c:" for
// the counterparty.
std::vector<std::string> ProposalTokens(std::string_view descriptionCp949, std::string_view counterpartyCp949);

} // namespace quill
