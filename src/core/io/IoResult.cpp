// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/IoResult.h"

#include <cerrno>

namespace quill {

IoResult IoResult::fromErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return failure("File not found", err);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return failure("File access denied", err);
    case ENOSPC:
    case EDQUOT:
        return failure("Disk full", err);
    case EFBIG:
        return failure("File too large", err);
    default:
        return failure("I/O error " + std::to_string(err), err);
    }
}

} // namespace quill
