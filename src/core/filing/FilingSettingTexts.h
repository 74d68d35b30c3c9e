// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The filing settings as the filing window's fields show them and as the
// user types them (UTF-8 texts), read and checked here.
#include "core/filing/FilingFigures.h"

#include <optional>
#include <string>

namespace quill {

struct FilingSettingTexts {
    std::string industry;                    // an Industry key, "" for none
    std::string prepaid[2];                  // 예정고지세액 in won; empty: estimated
    std::string words[kEvidenceWordKinds];   // the user's words, separated by commas
    std::optional<bool> largeLastYear;       // unknown: judged from the ledger
    std::string deemedRate;                  // "8/108", "2%"; empty: the 업종's rate
    std::string openingDay;                  // 개업일 "yyyy.mm.dd"; empty: unknown
    std::string lastYearRevenue;             // in won; empty: from the ledger
    bool accountantFiles = false;
};

// What the user is told when the 의제매입세액 rate cannot be read.
inline constexpr const char* kDeemedRateUnreadable = "공제율은 8/108 또는 2% 처럼 적어 주십시오.";
// What the user is told when the 개업일 is not a day of the calendar.
inline constexpr const char* kOpeningDayUnreadable = "개업일은 2024.07.01 처럼 달력에 있는 날로 적어 주십시오.";

FilingSettingTexts FilingSettingsToTexts(const FilingSettings& settings);

struct ReadSettingTexts {
    FilingSettings settings;
    // A rate was typed that is not one: the setting is dropped (the 업종's
    // rate applies) and the user is told kDeemedRateUnreadable.
    bool deemedRateUnreadable = false;
    // A 개업일 was typed that is no calendar day: it counts as unknown and
    // the user is told kOpeningDayUnreadable.
    bool openingDayUnreadable = false;
};
// The settings the texts give; what they do not hold (the taxpayer type)
// comes from `base`. A prepaid amount that is not a number of won counts as
// not typed; words are trimmed and empty ones dropped.
ReadSettingTexts ReadFilingSettingTexts(const FilingSettingTexts& texts, const FilingSettings& base);

} // namespace quill
