// Text from outside (escaped dump text, amounts) through the converters.
#include "app/Cp949.h"
#include "app/TextHelpers.h"
#include "ledger/Money.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view s(reinterpret_cast<const char*>(data), size);
    quill::Cp949Encoding e = quill::encodeCp949Escaped(s);
    if (e.bytes && quill::decodeCp949Escaped(*e.bytes).empty() != e.bytes->empty())
        __builtin_trap();
    quill::decodeCp949(s);
    if (auto v = quill::parsePlainDecimal(s))
        if (quill::parsePlainDecimal(quill::plainDecimal(*v)) != v)
            __builtin_trap();
    quill::MoneyText(true, s, 13);
    quill::PadLeftText(' ', s, 255);
    return 0;
}
