// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/PrintPageSetup.h"

#include "core/text/Cp949.h"
#include "core/config/IniFile.h"

namespace quill {

namespace {

const std::string& section()
{
    static const std::string s = *encodeCp949("인쇄").bytes;
    return s;
}

const char* const kMarginKeys[4] = {"MarginLeft", "MarginTop", "MarginRight", "MarginBottom"};

} // namespace

PrintPageSetup ReadPrintPageSetup(const std::string& path)
{
    PrintPageSetup s;
    int paper = ReadIniInteger(path, section(), "PaperSize", -1);
    if (paper < 0) {
        paper = ReadIniInteger(path, section(), "Paper", s.paperId);
        if (paper == kPaperLetter)
            paper = kPaperA4;
    }
    // Qt numbers its page sizes 0 to 117; "Custom" (126) has no size here.
    if (paper >= 0 && paper <= 117)
        s.paperId = paper;
    const int orientation = ReadIniInteger(path, section(), "Landscape", 1);
    s.landscape = orientation != 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int m = ReadIniInteger(path, section(), kMarginKeys[k], s.marginsTenthMm[k]);
        if (m >= 0 && m <= 1000)
            s.marginsTenthMm[k] = m;
    }
    return s;
}

IoResult WritePrintPageSetup(const std::string& path, const PrintPageSetup& s)
{
    if (IoResult r = WriteIniValue(path, section(), "PaperSize", std::to_string(s.paperId)); !r)
        return r;
    if (IoResult r = WriteIniValue(path, section(), "Landscape", s.landscape ? "1" : "0"); !r)
        return r;
    for (std::size_t k = 0; k < 4; ++k)
        if (IoResult r = WriteIniValue(path, section(), kMarginKeys[k], std::to_string(s.marginsTenthMm[k])); !r)
            return r;
    return IoResult::success();
}

} // namespace quill
