// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/ledger/LedgerBook.h"
#include "core/ledger/LedgerEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace quill {

// A ledger with unsaved changes when the session ends or the program is
// told to stop is kept beside the scratch table ("<table>.unsaved", the
// ledger's name in "<table>.unsaved.name"); the next start offers it.

// Where this book keeps its copy; empty without a scratch table.
std::string UnsavedCopyPath(const LedgerBook& book);

// Keeps the working ledger when it has unsaved changes; nothing otherwise.
// The copy lives in our scratch folder (0700): it is the user's alone.
void KeepUnsavedCopy(const LedgerBook& book);

// Removes the copy at `path` (a path UnsavedCopyPath gave) and its name file.
void DropUnsavedCopy(const std::string& path);

// A copy left by a run that did not end normally.
struct UnsavedCopy {
    std::string path;   // give it to DropUnsavedCopy once the user has answered
    std::string name;   // the ledger's file name then, or empty
    std::vector<LedgerEntry> rows;
};

// The first copy beside the book's scratch table that holds entries and
// that no running copy of the program owns (its table's lock is free).
// Copies without entries, or that cannot be read, are removed on the way.
std::optional<UnsavedCopy> FindUnsavedCopy(const LedgerBook& book);

// Takes the copy back as an untitled ledger with unsaved changes; under its
// own name again when that file still exists and no other copy holds it
// (then locked and stamped as if opened).
void RestoreUnsavedCopy(LedgerBook& book, UnsavedCopy copy);

} // namespace quill
