// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/Cp949.h"

#include <cerrno>
#include <iconv.h>

namespace quill {

namespace {

// One converter per direction and thread: opening iconv is far dearer than
// converting a field.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts one piece, including the converter's final flush. Returns
    // false at the first input it cannot convert; `consumed` then tells how
    // many input bytes were converted (it may equal the input's size when
    // the converter only notices the fault at the end).
    bool convert(std::string_view in, std::string& out, std::size_t& consumed)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buf[512];
        bool ok = true;
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                ok = false;
                break;
            }
        }
        if (ok) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            if (iconv(cd_, nullptr, nullptr, &dst, &room) == static_cast<std::size_t>(-1))
                ok = false;
            out.append(buf, static_cast<std::size_t>(dst - buf));
        }
        consumed = in.size() - left;
        return ok;
    }

private:
    iconv_t cd_;
};

Converter& toCp949()
{
    thread_local Converter c("CP949", "UTF-8");
    return c;
}

Converter& fromCp949()
{
    thread_local Converter c("UTF-8", "CP949");
    return c;
}

std::size_t utf8CharLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
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
    std::string out;
    std::size_t used = 0;
    if (toCp949().convert(utf8, out, used)) {
        result.bytes = std::move(out);
    } else {
        std::size_t n = used < utf8.size() ? utf8CharLength(static_cast<unsigned char>(utf8[used])) : 0;
        result.rejected = std::string(utf8.substr(used, n));
    }
    return result;
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

std::optional<std::size_t> cp949Length(std::string_view utf8)
{
    Cp949Encoding e = encodeCp949(utf8);
    if (!e.bytes)
        return std::nullopt;
    return e.bytes->size();
}

} // namespace quill
