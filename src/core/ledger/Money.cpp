// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/Money.h"

#include "core/text/DigitGroups.h"

#include <cmath>
#include <limits>

namespace quill {

namespace {

// rintl rounds with the current mode, which is round-to-nearest-even unless
// someone changed it; the program never does.
long double scaled(double amount) { return static_cast<long double>(amount) * 10000.0L; }

constexpr long double kTwo63 = 9223372036854775808.0L;

std::string digitsOf(unsigned __int128 v)
{
    if (v == 0)
        return "0";
    std::string s;
    while (v) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    }
    return s;
}

unsigned __int128 magnitude(WideTenths v)
{
    return v < 0 ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
}

} // namespace

std::optional<std::int64_t> toTenThousandths(double amount)
{
    if (!std::isfinite(amount))
        return std::nullopt;
    long double r = rintl(scaled(amount));
    if (r < -kTwo63 || r >= kTwo63)
        return std::nullopt;
    return static_cast<std::int64_t>(r);
}

WideTenths toWideTenThousandthsExtended(double amount)
{
    if (!std::isfinite(amount))
        return 0;
    long double r = rintl(scaled(amount));
    // The 64-bit conversion is one instruction; the 128-bit one a slow
    // library call, needed only beyond the file's range.
    if (r >= -kTwo63 && r < kTwo63)
        return static_cast<std::int64_t>(r);
    return static_cast<WideTenths>(r);
}

double fromTenThousandthsExtended(std::int64_t value)
{
    return static_cast<double>(static_cast<long double>(value) / 10000.0L);
}

std::string plainDecimal(WideTenths tenths)
{
    unsigned __int128 m = magnitude(tenths);
    std::string whole = digitsOf(m / 10000);
    unsigned frac = static_cast<unsigned>(m % 10000);
    std::string out = tenths < 0 ? "-" + whole : whole;
    if (frac) {
        std::string f = std::to_string(frac + 10000).substr(1);
        while (f.back() == '0')
            f.pop_back();
        out += "." + f;
    }
    return out;
}

std::optional<std::int64_t> parsePlainDecimal(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned __int128 whole = 0;
    std::size_t wholeDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
        whole = whole * 10 + static_cast<unsigned>(text[i] - '0');
        if (whole > (static_cast<unsigned __int128>(1) << 64))
            return std::nullopt;
    }
    std::string fraction;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            fraction += text[i];
    }
    if (i != text.size() || (wholeDigits == 0 && fraction.empty()))
        return std::nullopt;

    unsigned __int128 v = whole * 10000;
    std::string four = (fraction + "0000").substr(0, 4);
    v += static_cast<unsigned>(std::stoul(four));
    if (fraction.size() > 4) {
        // Half to even on the places beyond the fourth.
        std::string rest = fraction.substr(4);
        int first = rest[0] - '0';
        bool beyond = rest.find_first_not_of('0', 1) != std::string::npos;
        if (first > 5 || (first == 5 && (beyond || (v & 1))))
            ++v;
    }
    const unsigned __int128 limit = static_cast<unsigned __int128>(1) << 63;
    if (negative ? v > limit : v >= limit)
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(-static_cast<__int128>(v))
                    : static_cast<std::int64_t>(v);
}

std::string groupedWon(WideTenths tenths)
{
    unsigned __int128 m = magnitude(tenths);
    unsigned __int128 won = m / 10000 + (m % 10000 >= 5000 ? 1 : 0);
    const std::string out = GroupDigits(digitsOf(won));
    return (tenths < 0 && won != 0) ? "-" + out : out;
}

std::string groupedAmount(WideTenths tenths) { return GroupDigits(plainDecimal(tenths)); }

} // namespace quill
