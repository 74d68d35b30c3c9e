// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/LedgerDate.h"

namespace quill {

bool IsCalendarDate(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < kFirstLedgerYear || year > kLastLedgerYear || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool IsCalendarDateText(std::string_view d)
{
    if (d.size() != 10 || d[4] != '.' || d[7] != '.')
        return false;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k)
        for (std::size_t j = 0; j < lengths[k]; ++j) {
            const char c = d[starts[k] + j];
            if (c < '0' || c > '9')
                return false;
            parts[k] = parts[k] * 10 + (c - '0');
        }
    return IsCalendarDate(parts[0], parts[1], parts[2]);
}

} // namespace quill
