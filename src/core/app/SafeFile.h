#pragma once
#include "app/IoResult.h"

#include <string>
#include <string_view>

namespace quill {

// Writes a file so that the previous content survives any failure: the data
// goes to a temporary file in the same folder, which is flushed to disk and
// then renamed over the target. Until commit() succeeds the target is not
// touched; a SafeFile destroyed without commit removes its temporary file.
class SafeFile {
public:
    // A file that is only our own scratch copy need not wait for the disk.
    enum class Durability { Synced, Unsynced };
    explicit SafeFile(std::string target, Durability durability = Durability::Synced);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary file. Fails like creating the target would.
    IoResult open();
    IoResult write(const void* data, std::size_t size);
    IoResult write(std::string_view s) { return write(s.data(), s.size()); }
    // Flushes, syncs and renames over the target (keeping an existing
    // target's permissions). The first failure is reported.
    IoResult commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    const std::string& temporaryPath() const { return temp_; }
    const std::string& target() const { return target_; }

    // Hook for tests: fail the k-th write (1-based) with the given errno.
    static void failWriteAt(int k, int err);

private:
    IoResult flushBuffer();

    std::string target_;
    Durability durability_;
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
};

// A file opened for reading only (read access is all a reader needs),
// closed when it goes out of scope. A folder is refused; other kinds of
// file (pipes, devices) open, and their size counts as 0.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    IoResult open(const std::string& path);
    bool isRegular() const { return regular_; }
    std::size_t size() const { return size_; }
    // Reads up to `want` bytes, fewer only at the end of the file.
    IoResult read(void* data, std::size_t want, std::size_t& have);

private:
    int fd_ = -1;
    bool regular_ = false;
    std::size_t size_ = 0;
};

} // namespace quill
