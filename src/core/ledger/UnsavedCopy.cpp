// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ledger/UnsavedCopy.h"

#include "core/io/FileLock.h"
#include "core/io/SafeFile.h"
#include "core/ledger/SnapshotFile.h"

#include <filesystem>
#include <fstream>

namespace quill {

namespace {

constexpr std::string_view kUnsavedSuffix = ".unsaved";

std::string nameFileOf(const std::string& unsaved) { return unsaved + ".name"; }

bool endsWithSuffix(const std::string& path)
{
    return path.size() > kUnsavedSuffix.size()
           && path.compare(path.size() - kUnsavedSuffix.size(), std::string::npos, kUnsavedSuffix) == 0;
}

} // namespace

std::string UnsavedCopyPath(const LedgerBook& book)
{
    return book.scratchPath().empty() ? std::string() : book.scratchPath() + std::string(kUnsavedSuffix);
}

void KeepUnsavedCopy(const LedgerBook& book)
{
    const std::string path = UnsavedCopyPath(book);
    if (path.empty() || !book.isModified() || !book.TAcunt.isOpen())
        return;
    if (!book.TAcunt.saveSnapshot(path))
        return;
    // The ledger's name beside it, through the safe writer as every file we
    // write. Without it (a full disk) the copy is still offered, as a ledger
    // without a name, never under the name of an older copy.
    SafeFile name(nameFileOf(path));
    if (!name.open() || !name.write(book.fileName()) || !name.commit()) {
        std::error_code ec;
        std::filesystem::remove(nameFileOf(path), ec);
    }
}

void DropUnsavedCopy(const std::string& path)
{
    if (path.empty())
        return;
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(nameFileOf(path), ec);
}

std::optional<UnsavedCopy> FindUnsavedCopy(const LedgerBook& book)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(book.scratchPath()).parent_path();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string path = e.path().string();
        if (!endsWithSuffix(path))
            continue;
        // A copy whose table a running copy of the program holds is its own.
        const std::string table = path.substr(0, path.size() - kUnsavedSuffix.size());
        if (table != book.scratchPath()) {
            FileLock lock = FileLock::take(table + ".lock");
            if (lock.state() == FileLock::State::HeldElsewhere)
                continue;
        }
        UnsavedCopy copy;
        copy.path = path;
        {
            std::ifstream in(nameFileOf(path), std::ios::binary);
            std::getline(in, copy.name, '\0');
        }
        if (readSnapshot(path, copy.rows) && !copy.rows.empty())
            return copy;
        DropUnsavedCopy(path);
    }
    return std::nullopt;
}

void RestoreUnsavedCopy(LedgerBook& book, UnsavedCopy copy)
{
    book.TAcunt.disableControls();
    book.TAcunt.setFiltered(false);
    book.TAcunt.adoptRows(std::move(copy.rows), false);
    book.TAcunt.enableControls();
    book.makeUntitled();
    // Back under its own name, unless that file is gone or another copy
    // now holds it.
    std::error_code ec;
    if (!copy.name.empty() && copy.name != kUntitledName && std::filesystem::exists(copy.name, ec)) {
        FileLock lock = FileLock::take(copy.name);
        if (lock.state() != FileLock::State::HeldElsewhere) {
            DiskStamp stamp;
            TakeDiskStamp(copy.name, stamp);
            book.openFile(copy.name, std::move(lock), false, stamp);
        }
    }
    book.setModified(true);
}

} // namespace quill
