// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/Cp949.h"

#include "core/text/Utf8.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace quill {

namespace {

// Converters kept open for reuse: opening iconv is far dearer than
// converting a field. A pool rather than one per thread, because the helper
// libraries link this too and a thread_local with a destructor would keep
// them from ever being unloaded.
class ConverterPool {
public:
    ConverterPool(const char* to, const char* from) : to_(to), from_(from) {}
    ~ConverterPool()
    {
        for (iconv_t cd : free_)
            iconv_close(cd);
    }
    ConverterPool(const ConverterPool&) = delete;
    ConverterPool& operator=(const ConverterPool&) = delete;

    // Converts one piece, including the converter's final flush. Returns
    // false at the first input it cannot convert (or when iconv lacks the
    // code page); `consumed` then tells how many input bytes were
    // converted (it may equal the input's size when the converter only
    // notices the fault at the end).
    bool convert(std::string_view in, std::string& out, std::size_t& consumed)
    {
        iconv_t cd = take();
        consumed = 0;
        if (cd == reinterpret_cast<iconv_t>(-1))
            return false;
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buf[512];
        bool ok = true;
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            std::size_t r = iconv(cd, &src, &left, &dst, &room);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        if (ok) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            if (iconv(cd, nullptr, nullptr, &dst, &room) == static_cast<std::size_t>(-1))
                ok = false;
            out.append(buf, static_cast<std::size_t>(dst - buf));
        }
        consumed = in.size() - left;
        give(cd);
        return ok;
    }

private:
    iconv_t take()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                iconv_t cd = free_.back();
                free_.pop_back();
                return cd;
            }
        }
        return iconv_open(to_, from_);
    }
    void give(iconv_t cd)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(cd);
    }

    const char* to_;
    const char* from_;
    std::mutex mutex_;
    std::vector<iconv_t> free_;
};

ConverterPool& toCp949()
{
    static ConverterPool c("CP949", "UTF-8");
    return c;
}

ConverterPool& fromCp949()
{
    static ConverterPool c("UTF-8", "CP949");
    return c;
}

// Decodes, calling onBad for each byte that is not valid CP949. The whole
// text is tried at once; only a faulty text is taken character by character.
template <typename OnGood, typename OnBad>
void decodeWith(std::string_view in, OnGood onGood, OnBad onBad)
{
    std::string whole;
    std::size_t used = 0;
    if (fromCp949().convert(in, whole, used)) {
        onGood(whole);
        return;
    }
    std::size_t i = 0;
    while (i < in.size()) {
        auto lead = static_cast<unsigned char>(in[i]);
        std::size_t n = lead < 0x80 ? 1 : 2;
        std::string piece;
        if (i + n <= in.size() && fromCp949().convert(in.substr(i, n), piece, used) && !piece.empty()) {
            onGood(piece);
            i += n;
        } else {
            onBad(lead);
            ++i;
        }
    }
}

} // namespace

Cp949Encoding encodeCp949(std::string_view utf8)
{
    Cp949Encoding result;
    // Invalid UTF-8 is refused by the one validator, not by whatever iconv
    // happens to accept.
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = Utf8SequenceLength(utf8, i);
        if (n == 0) {
            result.rejected = std::string(utf8.substr(i, 1));
            return result;
        }
        i += n;
    }
    std::string out;
    std::size_t used = 0;
    if (toCp949().convert(utf8, out, used)) {
        result.bytes = std::move(out);
    } else {
        result.rejected = used < utf8.size() ? std::string(utf8.substr(used, Utf8Step(utf8, used))) : std::string(utf8);
    }
    return result;
}

std::string fixedCp949(std::string_view utf8)
{
    Cp949Encoding e = encodeCp949(utf8);
    if (!e.bytes)
        throw std::logic_error("a fixed text of the program is not CP949: " + std::string(utf8));
    return std::move(*e.bytes);
}

std::string decodeCp949(std::string_view cp949)
{
    std::string out;
    decodeWith(cp949, [&](const std::string& s) { out += s; },
               [&](unsigned char) { out += "\xEF\xBF\xBD"; });
    return out;
}

std::string decodeCp949Escaped(std::string_view cp949)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    decodeWith(
        cp949,
        [&](const std::string& s) {
            for (char c : s) {
                switch (c) {
                case '\\': out += "\\\\"; break;
                case '\t': out += "\\t"; break;
                case '\r': out += "\\r"; break;
                case '\n': out += "\\n"; break;
                default: out += c;
                }
            }
        },
        [&](unsigned char b) {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        });
    return out;
}

Cp949Encoding encodeCp949Escaped(std::string_view utf8)
{
    Cp949Encoding result;
    std::string out;
    std::string plain;
    auto flush = [&]() -> bool {
        if (plain.empty())
            return true;
        Cp949Encoding e = encodeCp949(plain);
        plain.clear();
        if (!e.bytes) {
            result.rejected = e.rejected;
            return false;
        }
        out += *e.bytes;
        return true;
    };
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        if (c != '\\') {
            plain += c;
            continue;
        }
        if (!flush())
            return result;
        char k = i + 1 < utf8.size() ? utf8[i + 1] : '\0';
        if (k == '\\' || k == 't' || k == 'r' || k == 'n') {
            out += k == '\\' ? '\\' : k == 't' ? '\t' : k == 'r' ? '\r' : '\n';
            ++i;
        } else if (k == 'x' && i + 3 < utf8.size() + 0 && hexValue(utf8[i + 2]) >= 0
                   && hexValue(utf8[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(utf8[i + 2]) * 16 + hexValue(utf8[i + 3]));
            i += 3;
        } else {
            result.rejected = std::string(utf8.substr(i, 2));
            return result;
        }
    }
    if (!flush())
        return result;
    result.bytes = std::move(out);
    return result;
}

bool isValidCp949(std::string_view cp949)
{
    bool valid = true;
    decodeWith(cp949, [](const std::string&) {}, [&](unsigned char) { valid = false; });
    return valid;
}

namespace {

constexpr char32_t kBadCp949 = kReplacementCharacter;

// Double-byte characters (lead 0x81..0xFE, trail 0x41..0xFE) as code
// points, asked of the converter once.
struct DoubleByteTable {
    std::array<char32_t, 126 * 190> code{};
};

const DoubleByteTable& doubleByteTable()
{
    static std::unique_ptr<DoubleByteTable> table;
    static std::once_flag once;
    std::call_once(once, [] {
        table = std::make_unique<DoubleByteTable>();
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x41; trail <= 0xFE; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::string utf8;
                std::size_t used = 0;
                char32_t c = kBadCp949;
                if (fromCp949().convert(std::string_view(pair, 2), utf8, used)) {
                    const std::u32string u = DecodeUtf8(utf8);
                    if (u.size() == 1)
                        c = u[0];
                }
                table->code[static_cast<std::size_t>((lead - 0x81) * 190 + (trail - 0x41))] = c;
            }
        }
    });
    return *table;
}

} // namespace

void cp949CodePoints(std::string_view cp949, std::u32string& out)
{
    out.clear();
    const DoubleByteTable& table = doubleByteTable();
    for (std::size_t i = 0; i < cp949.size(); ++i) {
        const auto lead = static_cast<unsigned char>(cp949[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            continue;
        }
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < cp949.size()) {
            const auto trail = static_cast<unsigned char>(cp949[i + 1]);
            if (trail >= 0x41 && trail <= 0xFE) {
                const char32_t c = table.code[static_cast<std::size_t>((lead - 0x81) * 190 + (trail - 0x41))];
                out.push_back(c);
                if (c != kBadCp949)
                    ++i;
                continue;
            }
        }
        out.push_back(kBadCp949);
    }
}

std::u32string cp949CodePoints(std::string_view cp949)
{
    std::u32string out;
    cp949CodePoints(cp949, out);
    return out;
}

std::size_t cp949ShapeFaults(std::string_view s)
{
    std::size_t faults = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const auto t = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        const bool trail = (t >= 0x41 && t <= 0x5A) || (t >= 0x61 && t <= 0x7A) || (t >= 0x81 && t <= 0xFE);
        // Leads above 0xC6 take only the upper trail bytes (KS X 1001).
        const bool pair = c >= 0x81 && c <= 0xFE && trail && (c <= 0xC6 || t >= 0xA1);
        if (pair) {
            i += 2;
        } else {
            ++faults;
            ++i;
        }
    }
    return faults;
}

std::optional<std::size_t> cp949Length(std::string_view utf8)
{
    Cp949Encoding e = encodeCp949(utf8);
    if (!e.bytes)
        return std::nullopt;
    return e.bytes->size();
}

} // namespace quill
