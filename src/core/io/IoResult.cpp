// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/IoResult.h"

#include <cerrno>

namespace quill {

IoKind IoKindOfErrno(int err)
{
    switch (err) {
    case 0: return IoKind::Other;
    case ENOENT:
    case ENOTDIR: return IoKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return IoKind::Denied;
    case ENOSPC:
    case EDQUOT: return IoKind::NoSpace;
    case EFBIG: return IoKind::TooBig;
    case EISDIR: return IoKind::IsFolder;
    case ENODEV: return IoKind::NotRegular;
    case ELOOP: return IoKind::BrokenLink;
    case ENOMEM: return IoKind::NoMemory;
    default: return IoKind::Other;
    }
}

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
