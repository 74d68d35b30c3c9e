// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace quill {

// Outcome of a file operation. Only the user interface turns a failure into
// a dialog; the core just reports the text.
struct IoResult {
    bool ok = true;
    int code = 0;          // errno of the failure, 0 when not from the system
    std::string message;   // the failure's text, e.g. "File not found"

    explicit operator bool() const { return ok; }

    static IoResult success() { return {}; }
    static IoResult failure(std::string message, int code = 0) { return {false, code, std::move(message)}; }
    // The texts of the ledger file failure table, from an errno value.
    static IoResult fromErrno(int err);
};

} // namespace quill
