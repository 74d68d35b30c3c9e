// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/editor/SuggestionIndex.h"

#include "core/text/Cp949.h"
#include "core/text/HangulText.h"

#include <algorithm>

namespace quill {

std::string_view SuggestionIndex::textOf(const LedgerEntry& e, Field field)
{
    return field == Field::Description ? e.JKYU.view() : e.SANGHO.view();
}

void SuggestionIndex::clear()
{
    description_ = {};
    counterparty_ = {};
}

void SuggestionIndex::build(const WorkingTable& table)
{
    clear();
    for (std::size_t i = 0; i < table.rowCount(); ++i)
        add(table.row(i));
}

void SuggestionIndex::add(const LedgerEntry& e)
{
    addText(description_, e.JKYU.view(), e.IDAY);
    addText(counterparty_, e.SANGHO.view(), e.IDAY);
}

void SuggestionIndex::remove(const LedgerEntry& e, const WorkingTable& table)
{
    removeText(description_, Field::Description, e.JKYU.view(), e.IDAY, table);
    removeText(counterparty_, Field::Counterparty, e.SANGHO.view(), e.IDAY, table);
}

void SuggestionIndex::addText(Texts& texts, std::string_view cp949, const FixedText<10>& date)
{
    if (cp949.find_first_not_of(' ') == std::string_view::npos)
        return;
    auto it = texts.ids.find(cp949);
    if (it == texts.ids.end()) {
        it = texts.ids.emplace(std::string(cp949), static_cast<std::uint32_t>(texts.items.size())).first;
        Item item;
        item.cp949 = std::string(cp949);
        // Decoded once per distinct text, not per entry.
        item.text = cp949CodePoints(cp949);
        texts.items.push_back(std::move(item));
    }
    Item& item = texts.items[it->second];
    if (item.count == 0 || item.latest.view() < date.view())
        item.latest = date;
    ++item.count;
}

void SuggestionIndex::removeText(Texts& texts, Field field, std::string_view cp949, const FixedText<10>& date,
                                 const WorkingTable& table)
{
    auto it = texts.ids.find(cp949);
    if (it == texts.ids.end())
        return;
    Item& item = texts.items[it->second];
    if (item.count == 0)
        return;
    if (--item.count == 0 || !(item.latest == date))
        return;
    // Rows are in date order: the last one with the text has its latest date.
    for (std::size_t i = table.rowCount(); i-- > 0;) {
        if (textOf(table.row(i), field) == cp949) {
            item.latest = table.row(i).IDAY;
            return;
        }
    }
}

std::vector<std::string> SuggestionIndex::suggest(Field field, std::string_view query, std::size_t limit) const
{
    std::vector<std::string> result;
    const std::u32string q = DecodeUtf8(query);
    if (q.empty() || limit == 0)
        return result;
    const Texts& t = texts(field);
    std::vector<const Item*> found;
    for (const Item& item : t.items) {
        if (item.count > 0 && item.text != q && MatchesAt(item.text, 0, q, true))
            found.push_back(&item);
    }
    auto better = [](const Item* a, const Item* b) {
        if (a->count != b->count)
            return a->count > b->count;
        if (!(a->latest == b->latest))
            return b->latest.view() < a->latest.view();
        return a->text < b->text;
    };
    const std::size_t n = std::min(limit, found.size());
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(n), found.end(), better);
    for (std::size_t i = 0; i < n; ++i)
        result.push_back(EncodeUtf8(found[i]->text));
    return result;
}

std::uint32_t SuggestionIndex::count(Field field, std::string_view cp949) const
{
    const Texts& t = texts(field);
    auto it = t.ids.find(cp949);
    return it == t.ids.end() ? 0 : t.items[it->second].count;
}

std::size_t SuggestionIndex::distinctCount(Field field) const
{
    const Texts& t = texts(field);
    return static_cast<std::size_t>(std::count_if(t.items.begin(), t.items.end(),
                                                  [](const Item& i) { return i.count > 0; }));
}

const LedgerEntry* LatestEntryOf(const WorkingTable& table, std::string_view counterparty)
{
    if (counterparty.empty())
        return nullptr;
    for (std::size_t i = table.rowCount(); i-- > 0;)
        if (table.row(i).SANGHO.view() == counterparty)
            return &table.row(i);
    return nullptr;
}

} // namespace quill
