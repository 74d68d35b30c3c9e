// SPDX-License-Identifier: GPL-3.0-or-later
#include "statement/StatementBook.h"

namespace quill {

StatementReadResult ReadXlsxStatement(const std::string& /*bytes*/, const StatementReadOptions& /*options*/)
{
    StatementReadResult result;
    result.error = {StatementReadError::Kind::UnknownFormat, "아직 읽을 수 없는 형식입니다."};
    return result;
}

} // namespace quill
