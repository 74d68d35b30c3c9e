// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerEntry.h"

#include <string>
#include <string_view>

namespace quill {

// The period and category filter of the working ledger. It keeps the
// expression text the filter row builds (for display and tests) and
// evaluates the same meaning directly as predicates.
class LedgerFilter {
public:
    // The empty expression: every row passes.
    LedgerFilter() = default;

    // Builds the filter from the filter row's state: category index (0 all,
    // 1 income, 2 expense, 3 asset; anything else: no condition at all),
    // the year control's text and the month list's index and text (index 0
    // is the whole year). Texts are UTF-8 as the controls hold them; blanks
    // are removed from year and month.
    static LedgerFilter fromControls(int categoryIndex, std::string_view yearText, int monthIndex,
                                     std::string_view monthText);

    const std::string& expression() const { return expression_; }  // UTF-8
    bool isEmpty() const { return expression_.empty(); }
    Category category() const { return category_; }
    const std::string& lowerBound() const { return lower_; }  // CP949
    const std::string& upperBound() const { return upper_; }

    bool passes(const LedgerEntry& e) const;

    // What the filter asks of a row's date alone, for tables ordered by date:
    // every date passes, none does, or the dates from lowerBound() to
    // upperBound() in byte order, both included.
    enum class DateRange { All, None, Between };
    DateRange dateRange() const
    {
        return impossible_ ? DateRange::None : hasPeriod_ ? DateRange::Between : DateRange::All;
    }
    // Whether a row passes the category condition (its date aside).
    bool passesCategory(const LedgerEntry& e) const { return passesCategory(category_, e); }
    // The same for any category (None: every row passes).
    static bool passesCategory(Category category, const LedgerEntry& e);

    bool operator==(const LedgerFilter&) const = default;

private:
    std::string expression_;
    Category category_ = Category::None;
    bool hasPeriod_ = false;
    bool impossible_ = false;  // year or month CP949 cannot hold: nothing passes
    std::string lower_;
    std::string upper_;
};

} // namespace quill
