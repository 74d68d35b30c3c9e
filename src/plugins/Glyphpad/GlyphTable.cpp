// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/Glyphpad/GlyphTable.h"

#include <iconv.h>

namespace glyphpad {

namespace {

// The pages before the CP949 test; every one of these is in CP949's symbol
// rows, the test only guards against a slip.
struct PageSource {
    const char* name;
    const char* glyphs;
};

constexpr PageSource kSources[] = {
    {"단위", "㎏㎎㎍㎉㎈㏏㎖㎗ℓ㎘㏄㎕㎜㎝㎞㎚㎛㎟㎠㎡㎢㏊㎣㎤㎥㎦㎙℃℉°′″"
             "㎧㎨㎰㎱㎲㎳㎴㎵㎶㎷㎸㎹㎀㎁㎂㎃㎄㎺㎻㎼㎽㎾㎿㎐㎑㎒㎓㎔Ω㏀㏁"
             "㎊㎋㎌㏖㏅㎭㎮㎯㏛㎩㎪㎫㎬㏝㏐㏓㏃㏉㏜㏆Å‰"},
    {"원문자", "①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮"
               "ⓐⓑⓒⓓⓔⓕⓖⓗⓘⓙⓚⓛⓜⓝⓞⓟⓠⓡⓢⓣⓤⓥⓦⓧⓨⓩ"
               "㉠㉡㉢㉣㉤㉥㉦㉧㉨㉩㉪㉫㉬㉭㉮㉯㉰㉱㉲㉳㉴㉵㉶㉷㉸㉹㉺㉻"},
    {"괄호문자", "⑴⑵⑶⑷⑸⑹⑺⑻⑼⑽⑾⑿⒀⒁⒂"
                 "⒜⒝⒞⒟⒠⒡⒢⒣⒤⒥⒦⒧⒨⒩⒪⒫⒬⒭⒮⒯⒰⒱⒲⒳⒴⒵"
                 "㈀㈁㈂㈃㈄㈅㈆㈇㈈㈉㈊㈋㈌㈍㈎㈏㈐㈑㈒㈓㈔㈕㈖㈗㈘㈙㈚㈛"},
    {"회사·표시", "㈜㈔㉿℡№™®㏇㏂㏘☎☏♨☜☞"},
    {"화살표", "→←↑↓↔↕↗↙↖↘⇒⇔◁◀▷▶"},
    {"도형", "※☆★○●◎◇◆□■△▲▽▼◈▣◐◑⊙▒▤▥▨▧▦▩♤♠♡♥♧♣♭♩♪♬§¶†‡〓♂♀"},
    {"부호", "「」『』【】〈〉《》〔〕‘’“”·‥…〃―∥＼∼、。¨´˝˚¸¡¿"},
    {"수학·통화", "±×÷≠≤≥∞∴∵√∽∝∑∏∫∬∮≒≡∠⊥⌒∂∇∈∋⊆⊇⊂⊃∪∩∧∨￢∀∃％"
                  "￦＄€￡￥￠¤"},
    {"숫자", "ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩⅰⅱⅲⅳⅴⅵⅶⅷⅸⅹ½⅓⅔¼¾⅛⅜⅝⅞¹²³⁴ⁿ₁₂₃₄"},
};

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

    // The whole text converted, or nothing when any of it fails.
    std::optional<std::string> convert(std::string_view in)
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return std::nullopt;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 8, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char* dst = out.data();
        std::size_t room = out.size();
        if (iconv(cd_, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) || left != 0 ||
            iconv(cd_, nullptr, nullptr, &dst, &room) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - room);
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t CharacterLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

} // namespace

std::vector<std::string> SplitCharacters(std::string_view utf8)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::min(CharacterLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        out.emplace_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

bool IsTwoByteCp949(std::string_view utf8)
{
    if (SplitCharacters(utf8).size() != 1)
        return false;
    Converter to("CP949", "UTF-8");
    Converter back("UTF-8", "CP949");
    const std::optional<std::string> bytes = to.convert(utf8);
    if (!bytes || bytes->size() != 2)
        return false;
    const std::optional<std::string> again = back.convert(*bytes);
    return again && *again == utf8;
}

std::vector<std::string> HeldByCp949(const std::vector<std::string>& candidates)
{
    std::vector<std::string> out;
    for (const std::string& c : candidates)
        if (IsTwoByteCp949(c))
            out.push_back(c);
    return out;
}

const std::vector<GlyphPage>& GlyphPages()
{
    static const std::vector<GlyphPage> pages = [] {
        std::vector<GlyphPage> made;
        for (const PageSource& source : kSources)
            made.push_back({source.name, HeldByCp949(SplitCharacters(source.glyphs))});
        return made;
    }();
    return pages;
}

int StepPage(int current, int step, int count)
{
    if (count <= 0)
        return 0;
    const int next = (current + step) % count;
    return next < 0 ? next + count : next;
}

std::string PickResult(const std::optional<std::string>& choice)
{
    return choice && !choice->empty() ? *choice : std::string("Non");
}

} // namespace glyphpad
