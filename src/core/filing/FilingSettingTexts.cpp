// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filing/FilingSettingTexts.h"

#include "core/ledger/LedgerDate.h"

#include <charconv>

namespace quill {

namespace {

// Blanks at either end, also the full-width and no-break blanks a Korean
// input method may leave.
std::string_view trimmed(std::string_view s)
{
    for (bool cut = true; cut && !s.empty();) {
        cut = false;
        for (std::string_view blank : {" ", "\t", "\n", "\r", "\v", "\f", "\xE3\x80\x80", "\xC2\xA0"}) {
            if (s.substr(0, blank.size()) == blank) {
                s.remove_prefix(blank.size());
                cut = true;
            }
            if (s.size() >= blank.size() && s.substr(s.size() - blank.size()) == blank) {
                s.remove_suffix(blank.size());
                cut = true;
            }
        }
    }
    return s;
}

std::optional<std::int64_t> wonOf(std::string_view text)
{
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

} // namespace

FilingSettingTexts FilingSettingsToTexts(const FilingSettings& settings)
{
    FilingSettingTexts t;
    t.industry = settings.industry;
    for (int h = 0; h < 2; ++h)
        if (settings.prepaidWon[h])
            t.prepaid[h] = std::to_string(*settings.prepaidWon[h]);
    for (int k = 0; k < kEvidenceWordKinds; ++k)
        for (const std::string& word : settings.words[k])
            t.words[k] += (t.words[k].empty() ? "" : ",") + word;
    t.largeLastYear = settings.largeLastYear;
    if (settings.deemedRate)
        t.deemedRate = rateText(*settings.deemedRate);
    t.openingDay = settings.openingDay;
    if (settings.lastYearRevenueWon)
        t.lastYearRevenue = std::to_string(*settings.lastYearRevenueWon);
    t.accountantFiles = settings.accountantFiles;
    return t;
}

ReadSettingTexts ReadFilingSettingTexts(const FilingSettingTexts& texts, const FilingSettings& base)
{
    ReadSettingTexts r;
    FilingSettings& s = r.settings;
    s = base;
    s.industry = texts.industry;
    for (int h = 0; h < 2; ++h)
        s.prepaidWon[h] = wonOf(texts.prepaid[h]);
    for (int k = 0; k < kEvidenceWordKinds; ++k) {
        s.words[k].clear();
        std::string_view rest = texts.words[k];
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view word = trimmed(rest.substr(0, comma));
            if (!word.empty())
                s.words[k].emplace_back(word);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    s.largeLastYear = texts.largeLastYear;
    s.deemedRate = parseRate(texts.deemedRate);
    r.deemedRateUnreadable = !s.deemedRate && !trimmed(texts.deemedRate).empty();
    s.accountantFiles = texts.accountantFiles;
    const std::string_view opening = trimmed(texts.openingDay);
    s.openingDay = IsCalendarDateText(opening) ? std::string(opening) : std::string();
    r.openingDayUnreadable = !opening.empty() && s.openingDay.empty();
    s.lastYearRevenueWon = wonOf(trimmed(texts.lastYearRevenue));
    return r;
}

} // namespace quill
