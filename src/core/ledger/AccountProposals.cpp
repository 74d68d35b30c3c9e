// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/AccountProposals.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"

#include <algorithm>
#include <cmath>

namespace quill {

namespace {

bool isWordChar(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0x3131 && c <= 0x318E) || (c >= 0x4E00 && c <= 0x9FFF);
}

bool isHangul(char32_t c) { return c >= 0xAC00 && c <= 0xD7A3; }

// A text without blanks and ASCII lowered: two entries that differ only so
// are the same booking.
std::string normal(std::string_view cp949)
{
    std::string out;
    for (char32_t c : cp949CodePoints(cp949)) {
        if (c >= 'A' && c <= 'Z')
            c += 32;
        if (c == ' ' || c == '\t' || c == 0x3000)
            continue;
        AppendUtf8(out, c);
    }
    return out;
}

void addWords(std::string_view cp949, const char* prefix, std::vector<std::string>& out)
{
    std::u32string text = cp949CodePoints(cp949);
    for (char32_t& c : text)
        if (c >= 'A' && c <= 'Z')
            c += 32;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !isWordChar(text[i]))
            ++i;
        std::size_t j = i;
        while (j < text.size() && isWordChar(text[j]))
            ++j;
        if (j > i) {
            const std::u32string_view word(text.data() + i, j - i);
            out.push_back(prefix + EncodeUtf8(word));
            if (word.size() >= 3)
                for (std::size_t k = 0; k + 1 < word.size(); ++k)
                    if (isHangul(word[k]) && isHangul(word[k + 1]))
                        out.push_back(prefix + EncodeUtf8(word.substr(k, 2)));
        }
        i = j;
    }
}

bool fits(std::int32_t code, AccountKind kind)
{
    const Account* a = findAccount(code);
    return a && a->kind == kind;
}

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

} // namespace

std::string AccountRule::label() const
{
    const char* where = field == Field::Description ? "거래내용에 " : field == Field::Counterparty ? "거래처에 " : "";
    return std::string(where) + quoted(contains) + " 포함 → " + accountLabel(account);
}

std::vector<std::string> ProposalTokens(std::string_view descriptionCp949, std::string_view counterpartyCp949)
{
    std::vector<std::string> out;
    addWords(descriptionCp949, "d:", out);
    addWords(counterpartyCp949, "c:", out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

AccountProposer::AccountProposer(std::vector<AccountRule> rules) : rules_(std::move(rules)) {}

void AccountProposer::learn(const LedgerEntry& e)
{
    const Account* a = findAccount(e.CTG);
    if (!a)
        return;
    const std::int32_t code = a->code;  // an asset's number is not what is learnt
    const std::string d = normal(e.JKYU.view()), c = normal(e.SANGHO.view());
    exact_[d + '\x1f' + c].add(code);
    if (!c.empty())
        counterparty_[c].add(code);
    for (const std::string& t : ProposalTokens(e.JKYU.view(), e.SANGHO.view())) {
        tokens_[t].add(code);
        ++tokenTotals_[code];
    }
    ++entries_[code];
    ++learned_;
}

void AccountProposer::learn(std::span<const LedgerEntry> rows)
{
    for (const LedgerEntry& e : rows)
        learn(e);
}

std::pair<std::int32_t, int> AccountProposer::best(const Counts& c, AccountKind kind)
{
    std::pair<std::int32_t, int> out{0, 0};
    for (const auto& [code, n] : c.byCode)
        if (n > out.second && fits(code, kind))
            out = {code, n};
    return out;
}

AccountProposal AccountProposer::propose(std::string_view descriptionCp949, std::string_view counterpartyCp949,
                                         Category category) const
{
    const AccountKind kind = accountKindOf(category);
    const std::string d = normal(descriptionCp949), c = normal(counterpartyCp949);

    // The user's rules come first, in their order.
    for (const AccountRule& r : rules_) {
        if (r.contains.empty() || !fits(r.account, kind))
            continue;
        std::string word;
        for (char ch : r.contains)
            if (ch != ' ' && ch != '\t')
                word += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
        const bool inD = r.field != AccountRule::Field::Counterparty && d.find(word) != std::string::npos;
        const bool inC = r.field != AccountRule::Field::Description && c.find(word) != std::string::npos;
        if (inD || inC)
            return {r.account, "규칙: " + r.label()};
    }
    if (auto it = exact_.find(d + '\x1f' + c); it != exact_.end()) {
        const auto [code, n] = best(it->second, kind);
        if (code)
            return {code, "같은 거래내용·거래처의 지난 자료 " + std::to_string(it->second.total) + "건 중 "
                              + std::to_string(n) + "건"};
    }
    if (auto it = counterparty_.find(c); !c.empty() && it != counterparty_.end()) {
        const auto [code, n] = best(it->second, kind);
        if (code)
            return {code, "거래처 " + quoted(c) + "의 지난 자료 " + std::to_string(it->second.total) + "건 중 "
                              + std::to_string(n) + "건"};
    }

    // Naive Bayes over the words, with add-one smoothing; only words the
    // ledger has seen take part, and at least one must have been seen with
    // the winning account.
    const std::vector<std::string> words = ProposalTokens(descriptionCp949, counterpartyCp949);
    std::vector<const std::pair<const std::string, Counts>*> seen;
    for (const std::string& w : words)
        if (auto it = tokens_.find(w); it != tokens_.end())
            seen.push_back(&*it);
    if (seen.empty())
        return {};
    const double vocabulary = static_cast<double>(tokens_.size());
    std::int32_t bestCode = 0;
    double bestScore = 0;
    for (const auto& [code, n] : entries_) {
        if (!fits(code, kind))
            continue;
        bool any = false;
        double score = std::log(static_cast<double>(n));
        const double total = static_cast<double>(tokenTotals_.at(code));
        for (const auto* t : seen) {
            const auto hit = t->second.byCode.find(code);
            const int k = hit == t->second.byCode.end() ? 0 : hit->second;
            any = any || k > 0;
            score += std::log((k + 1.0) / (total + vocabulary));
        }
        if (any && (bestCode == 0 || score > bestScore)) {
            bestCode = code;
            bestScore = score;
        }
    }
    if (!bestCode)
        return {};
    // The reason names the words that speak most for the account.
    std::vector<std::pair<double, std::string>> telling;
    for (const auto* t : seen) {
        const auto hit = t->second.byCode.find(bestCode);
        if (hit != t->second.byCode.end())
            telling.emplace_back(static_cast<double>(hit->second) / t->second.total, t->first.substr(2));
    }
    // Whole words before their syllable pairs; a pair inside a word named is not named again.
    std::sort(telling.begin(), telling.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second.size() > b.second.size();
    });
    std::string reason = "비슷한 지난 자료의 낱말";
    std::vector<std::string> named;
    for (const auto& told : telling) {
        const std::string& w = told.second;
        if (named.size() == 3)
            break;
        if (std::any_of(named.begin(), named.end(), [&w](const std::string& n) { return n.find(w) != std::string::npos; }))
            continue;
        named.push_back(w);
        reason += (named.size() == 1 ? " " : ", ") + quoted(w);
    }
    return {bestCode, reason};
}

AccountProposal AccountProposer::propose(const LedgerEntry& e) const
{
    return propose(e.JKYU.view(), e.SANGHO.view(), entryCategory(e));
}

} // namespace quill
