// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quill {

// A text field of a ledger row: at most N bytes of CP949, kept inline so a
// row is trivially copyable and a million rows stay one flat allocation.
template <std::size_t N>
struct FixedText {
    static_assert(N < 256, "length is kept in one byte");
    static constexpr std::size_t capacity = N;

    std::uint8_t len = 0;
    char data[N] = {};

    FixedText() = default;
    FixedText(std::string_view s) { assign(s); }  // NOLINT: convenient in tests

    // Keeps at most N bytes from the front and ends the text at the first
    // zero byte, as the working tables store texts.
    void assign(std::string_view s)
    {
        std::size_t n = s.size() < N ? s.size() : N;
        const void* zero = n ? std::memchr(s.data(), 0, n) : nullptr;
        if (zero)
            n = static_cast<std::size_t>(static_cast<const char*>(zero) - s.data());
        std::memcpy(data, s.data(), n);
        std::memset(data + n, 0, N - n);
        len = static_cast<std::uint8_t>(n);
    }
    FixedText& operator=(std::string_view s) { assign(s); return *this; }

    std::string_view view() const { return {data, len}; }
    std::string str() const { return std::string(data, len); }
    bool empty() const { return len == 0; }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.view() == b.view(); }
};

} // namespace quill
