// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/Glyphpad/GlyphTable.h"

#include "core/text/Cp949.h"
#include "core/text/Utf8.h"

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

} // namespace

std::vector<std::string> SplitCharacters(std::string_view utf8)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = quill::Utf8Step(utf8, i);
        out.emplace_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

bool IsTwoByteCp949(std::string_view utf8)
{
    if (SplitCharacters(utf8).size() != 1)
        return false;
    const quill::Cp949Encoding bytes = quill::encodeCp949(utf8);
    return bytes.bytes && bytes.bytes->size() == 2 && quill::decodeCp949(*bytes.bytes) == utf8;
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
