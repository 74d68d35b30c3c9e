// SPDX-License-Identifier: GPL-3.0-or-later
// Text from outside (escaped dump text, amounts) through the converters.
#include "FuzzCheck.h"
#include "core/text/Cp949.h"
#include "core/text/DigitGroups.h"
#include "core/text/TextHelpers.h"
#include "core/text/Utf8.h"
#include "core/ledger/Money.h"

#include <string_view>

QB_FUZZ_TARGET(fuzzText)
{
    std::string_view s(reinterpret_cast<const char*>(data), size);
    quill::Cp949Encoding e = quill::encodeCp949Escaped(s);
    if (e.bytes && quill::decodeCp949Escaped(*e.bytes).empty() != e.bytes->empty())
        check(false);
    // Whatever comes in, what the converters hand on is valid UTF-8.
    if (!quill::IsValidUtf8(quill::decodeCp949(s)) || !quill::IsValidUtf8(quill::RepairUtf8(s)))
        check(false);
    if (auto v = quill::parsePlainDecimal(s))
        if (quill::parsePlainDecimal(quill::plainDecimal(*v)) != v)
            check(false);
    quill::GroupDigits(s);
    quill::PadLeftText(' ', s, 255);
    return 0;
}
