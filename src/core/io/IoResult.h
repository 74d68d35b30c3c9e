// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace quill {

// What kind of failure a file operation met. Callers branch on the kind,
// never on the message; the Korean sentences are made from the kind and the
// facts in one place (ErrorText).
enum class IoKind {
    None,             // no failure
    NotFound,         // ENOENT, ENOTDIR
    Denied,           // EACCES, EPERM, EROFS, ETXTBSY
    HeldElsewhere,    // another copy of the program has the ledger open
    NoSpace,          // ENOSPC, EDQUOT
    TooBig,           // EFBIG: the file size limit
    Damaged,          // the content is not what such a file holds
    IsFolder,         // EISDIR
    NotRegular,       // a device, a pipe: no regular file
    BrokenLink,       // a link to nothing, or a loop of links
    SameAsInput,      // the output would replace the file being read
    NoMemory,         // ENOMEM
    NoScratchFolder,  // no private scratch folder of this user could be had
    Library,          // a library's own text, which means nothing to a user
    Other,            // any other failure; `code` holds the errno if any
};

// The kind of an errno value.
IoKind IoKindOfErrno(int err);

// Outcome of a file operation. Only the user interface turns a failure into
// a dialog; the core reports the kind, the text and the facts.
struct IoResult {
    bool ok = true;
    int code = 0;          // errno of the failure, 0 when not from the system
    std::string message;   // the failure's text, e.g. "File not found"
    IoKind kind = IoKind::None;
    // The file or folder the failure concerns when it is not the one the
    // caller named: the full scratch folder, the configuration file.
    std::string path;

    explicit operator bool() const { return ok; }

    static IoResult success() { return {}; }
    // The kind follows the errno (Other without one).
    static IoResult failure(std::string message, int code = 0)
    {
        return {false, code, std::move(message), IoKindOfErrno(code), {}};
    }
    static IoResult failure(IoKind kind, std::string message, int code = 0, std::string path = {})
    {
        return {false, code, std::move(message), kind, std::move(path)};
    }
    // The texts of the ledger file failure table, from an errno value.
    static IoResult fromErrno(int err);
    // The same failure, now known to concern `where`.
    IoResult at(std::string where) const
    {
        IoResult r = *this;
        r.path = std::move(where);
        return r;
    }
};

} // namespace quill
