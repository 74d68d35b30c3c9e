// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// All money arithmetic of the program goes through here: amounts are doubles
// in the tables, but every file value and every sum is a count of
// ten-thousandths of a won with explicit rounding.

// A sum of ten-thousandths. 128 bits so that no total of 64-bit values can
// wrap around.
using WideTenths = __int128;

// amount × 10000 in 80-bit extended precision, rounded to the nearest
// integer, halves to even. Returns nothing when the amount is not finite or
// the result leaves the signed 64-bit range.
std::optional<std::int64_t> toTenThousandths(double amount);

// The general paths of the two conversions below.
WideTenths toWideTenThousandthsExtended(double amount);
double fromTenThousandthsExtended(std::int64_t value);

// toWideTenThousandths: the same rounding as toTenThousandths, without a
// range limit (for running sums). fromTenThousandths: value ÷ 10000 in
// extended precision, rounded to the nearest double.
// Whole won below 2^49 convert exactly through 64-bit integers, which is
// what the extended-precision path gives too, many times slower: a total
// over a million entries spends most of its time in these two.
inline WideTenths toWideTenThousandths(double amount)
{
    constexpr double kExactWholeWon = 562949953421312.0;  // 2^49
    if (amount > -kExactWholeWon && amount < kExactWholeWon) {
        const auto whole = static_cast<std::int64_t>(amount);
        if (static_cast<double>(whole) == amount)
            return whole * 10000;
    }
    return toWideTenThousandthsExtended(amount);
}

inline double fromTenThousandths(std::int64_t value)
{
    constexpr std::int64_t kLimit = std::int64_t{1} << 49;
    const std::int64_t won = value / 10000;
    if (won * 10000 == value && won > -kLimit && won < kLimit)
        return static_cast<double>(won);  // exact either way
    return fromTenThousandthsExtended(value);
}

// Shortest plain decimal text of an amount in ten-thousandths: no grouping,
// "-" for negatives, no trailing zeros, "0" for zero ("1234", "-250.5",
// "0.0312").
std::string plainDecimal(WideTenths tenths);

// Parses a plain decimal text ("-12", "3.5", "0.0312") into ten-thousandths,
// rounding further decimal places half to even. Nothing for anything that
// is not a plain decimal number or that leaves the signed 64-bit range.
std::optional<std::int64_t> parsePlainDecimal(std::string_view text);

// Whole won with digit groups of three ("1,234,567", "-1,500"), rounded half
// away from zero; never "-0".
std::string groupedWon(WideTenths tenths);

// An amount with digit groups, keeping every decimal place it has
// ("1,234,567", "-250.5").
std::string groupedAmount(WideTenths tenths);

} // namespace quill
