// SPDX-License-Identifier: GPL-3.0-or-later
// dump and import: a ledger file as tab-separated UTF-8 lines and back.
#include "cli/Commands.h"
#include "cli/CliSupport.h"
#include "cli/DumpLine.h"

#include "core/text/Cp949.h"
#include "core/io/FileLock.h"
#include "core/io/SafeFile.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/Backups.h"
#include "core/ledger/FileCommands.h"
#include "core/ledger/Money.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using quill::AutRecord;

// The longest line a dump writes is under 600 bytes (every text byte
// escaped as \xHH, every amount at its longest); anything much longer is no
// ledger line, and reading it whole would let /dev/zero fill the memory.
constexpr std::size_t kMaxLineBytes = 4096;

// How long import waits for a program to open a named pipe for writing.
constexpr int kPipeWriterWaitMs = 3000;

// Reads the input line by line in bounded memory. A named pipe is opened
// without waiting for a writer (open would otherwise block for ever); it is
// read once a writer has connected, and refused when none comes.
class LineReader {
public:
    ~LineReader()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    std::optional<std::string> open(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0)
            return quill::IoResult::fromErrno(errno).message;
        struct stat st {};
        if (fstat(fd_, &st) != 0)
            return quill::IoResult::fromErrno(errno).message;
        if (S_ISDIR(st.st_mode))
            return quill::IoResult::fromErrno(EISDIR).message;
        if (S_ISFIFO(st.st_mode) && !waitForWriter())
            return "no program writes into this pipe (waited "
                + std::to_string(kPipeWriterWaitMs / 1000) + " s)";
        // From here on reads wait for data as usual.
        int flags = fcntl(fd_, F_GETFL);
        if (flags >= 0)
            fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
        return std::nullopt;
    }

    enum class Status { Line, End, TooLong, Error };

    // The next line without its "\n" (and without a "\r" before it).
    Status next(std::string_view& line)
    {
        for (;;) {
            const std::size_t nl = buffer_.find('\n', scanned_);
            if (nl != std::string::npos) {
                if (nl > kMaxLineBytes)
                    return Status::TooLong;
                take(nl, nl + 1, line);
                return Status::Line;
            }
            scanned_ = buffer_.size();
            if (buffer_.size() > kMaxLineBytes)
                return Status::TooLong;
            if (eof_) {
                if (buffer_.empty())
                    return Status::End;
                take(buffer_.size(), buffer_.size(), line);
                return Status::Line;
            }
            if (!fill())
                return Status::Error;
        }
    }

    const std::string& error() const { return error_; }

private:
    bool waitForWriter()
    {
        // Without a writer a read gives 0 at once; with a writer that has
        // not written yet it gives EAGAIN.
        for (int waited = 0;; waited += 50) {
            char probe[4096];
            ssize_t got = ::read(fd_, probe, sizeof probe);
            if (got > 0) {
                pending_.assign(probe, static_cast<std::size_t>(got));
                return true;
            }
            if (got < 0 && errno != EINTR)
                return errno == EAGAIN;
            if (waited >= kPipeWriterWaitMs)
                return false;
            struct pollfd p {fd_, POLLIN, 0};
            poll(&p, 1, 50);
        }
    }

    bool fill()
    {
        if (!pending_.empty()) {
            buffer_ += pending_;
            pending_.clear();
            return true;
        }
        char chunk[65536];
        for (;;) {
            ssize_t got = ::read(fd_, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                error_ = quill::IoResult::fromErrno(errno).message;
                return false;
            }
            if (got == 0)
                eof_ = true;
            buffer_.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
    }

    void take(std::size_t end, std::size_t next, std::string_view& line)
    {
        // The line stays valid until the following call.
        current_.assign(buffer_, 0, end);
        buffer_.erase(0, next);
        scanned_ = 0;
        if (!current_.empty() && current_.back() == '\r')
            current_.pop_back();
        line = current_;
    }

    int fd_ = -1;
    std::string buffer_;
    std::string pending_;
    std::string current_;
    std::size_t scanned_ = 0;
    bool eof_ = false;
    std::string error_;
};

} // namespace

int runDump(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1)
        return cliFail(2, "usage: quillbook-cli dump FILE");
    std::string out;
    quill::IoResult r = quill::ScanLedgerFile(a.positional[0], [&](const AutRecord& rec) {
        appendDumpLine(rec, out);
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
        return true;
    });
    std::cout << out << std::flush;
    if (!r)
        return cliFileFail(1, r, a.positional[0], quill::FileAction::Read);
    return 0;
}

namespace {

// The date a record sorts by, as the program's table sees it: the stored
// text ended at its first zero byte.
std::string_view recordDay(const AutRecord& r)
{
    std::string_view d = r.storedText(AutRecord::IDAY);
    return d.substr(0, d.find('\0'));
}

// Puts the imported records in date order (records of one date in the
// order read) in memory that does not grow with the input: runs of
// kRunRecords records are sorted and spilled to an unnamed file in the
// user's private scratch folder, then merged.
// A failure of the sort's scratch file: the English line as before, and the
// Korean line that names the folder and what to do.
std::string scratchFailure(const quill::IoResult& r, const std::string& folder)
{
    return "scratch folder: " + r.message + "\n" + quill::FileErrorHint(r.at(folder), {}, quill::FileAction::Save);
}

class RecordSorter {
public:
    static constexpr std::size_t kRunRecords = 1 << 16;  // 11 MB per run
    ~RecordSorter()
    {
        if (spill_ >= 0)
            ::close(spill_);
    }

    std::optional<std::string> add(const AutRecord& record)
    {
        chunk_.push_back(record);
        if (chunk_.size() < kRunRecords)
            return std::nullopt;
        return spillChunk();
    }

    // Writes every record in order through `put`.
    quill::IoResult drain(const std::function<quill::IoResult(const AutRecord&)>& put)
    {
        sortChunk();
        if (runs_.empty()) {
            for (const AutRecord& r : chunk_)
                if (quill::IoResult w = put(r); !w)
                    return w;
            return quill::IoResult::success();
        }
        if (!chunk_.empty())
            if (auto err = spillChunk())
                return quill::IoResult::failure(*err);
        std::vector<AutRecord>().swap(chunk_);
        // One small window per run; the smallest date first, the earlier
        // run on equal dates (runs are in input order).
        constexpr std::size_t kWindow = 64;
        struct Cursor {
            std::size_t next, end;
            std::vector<AutRecord> window;
            std::size_t at = 0;
        };
        std::vector<Cursor> cursors;
        for (const auto& [first, count] : runs_)
            cursors.push_back({first, first + count, {}, 0});
        auto refill = [&](Cursor& c) -> bool {
            const std::size_t n = std::min(kWindow, c.end - c.next);
            c.window.resize(n);
            c.at = 0;
            std::size_t done = 0;
            char* out = reinterpret_cast<char*>(c.window.data());
            const std::size_t want = n * AutRecord::kSize;
            while (done < want) {
                ssize_t got = ::pread(spill_, out + done, want - done,
                                      static_cast<off_t>(c.next * AutRecord::kSize + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    return false;
                done += static_cast<std::size_t>(got);
            }
            c.next += n;
            return true;
        };
        for (Cursor& c : cursors)
            if (!refill(c))
                return quill::IoResult::fromErrno(EIO);
        for (;;) {
            Cursor* best = nullptr;
            for (Cursor& c : cursors)
                if (c.at < c.window.size() && (!best || recordDay(c.window[c.at]) < recordDay(best->window[best->at])))
                    best = &c;
            if (!best)
                return quill::IoResult::success();
            if (quill::IoResult w = put(best->window[best->at]); !w)
                return w;
            if (++best->at == best->window.size() && best->next < best->end && !refill(*best))
                return quill::IoResult::fromErrno(EIO);
        }
    }

private:
    void sortChunk()
    {
        std::stable_sort(chunk_.begin(), chunk_.end(),
                         [](const AutRecord& a, const AutRecord& b) { return recordDay(a) < recordDay(b); });
    }

    std::optional<std::string> spillChunk()
    {
        static_assert(sizeof(AutRecord) == AutRecord::kSize);
        if (spill_ < 0) {
            const std::string folder = quill::SafeFile::scratchFolder();
            if (folder.empty())
                return quill::NoScratchFolderText();
#ifdef O_TMPFILE
            spill_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
            if (spill_ < 0) {
                std::string name = folder + "/quillbook-sort-XXXXXX";
                spill_ = mkostemp(name.data(), O_CLOEXEC);
                if (spill_ >= 0)
                    ::unlink(name.c_str());  // gone with us, also after a kill
            }
            if (spill_ < 0)
                return scratchFailure(quill::IoResult::fromErrno(errno), folder);
        }
        sortChunk();
        const char* data = reinterpret_cast<const char*>(chunk_.data());
        std::size_t size = chunk_.size() * AutRecord::kSize, done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(spill_, data + done, size - done, static_cast<off_t>(spilled_ * AutRecord::kSize + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                // errno before anything else runs: finding the folder's name
                // makes system calls of its own.
                const quill::IoResult failed = quill::IoResult::fromErrno(errno);
                return scratchFailure(failed, quill::SafeFile::scratchFolder());
            }
            done += static_cast<std::size_t>(n);
        }
        runs_.emplace_back(spilled_, chunk_.size());
        spilled_ += chunk_.size();
        chunk_.clear();
        return std::nullopt;
    }

    std::vector<AutRecord> chunk_;
    std::vector<std::pair<std::size_t, std::size_t>> runs_;  // first record, count
    std::size_t spilled_ = 0;
    int spill_ = -1;
};

} // namespace

int runImport(const std::vector<std::string>& args)
{
    CliArgs a;
    if (auto err = parseCliArgs(args, {}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 2)
        return cliFail(2, "usage: quillbook-cli import IN.tsv OUT.Aut");
    const std::string& in = a.positional[0];
    const std::string& outPath = a.positional[1];
    LineReader reader;
    if (auto err = reader.open(in))
        return cliFail(1, in + ": " + *err);

    RecordSorter records;
    std::string_view line;
    std::size_t lineNo = 0;
    bool blankPending = false;  // an empty last line (an editor's extra newline) is no entry
    for (;;) {
        LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End)
            break;
        if (blankPending) {
            AutRecord unused;
            return cliFail(1, in + ": line " + std::to_string(lineNo) + ": " + *parseDumpLine("", unused));
        }
        ++lineNo;
        if (status == LineReader::Status::Error)
            return cliFail(1, in + ": read error: " + reader.error());
        if (status == LineReader::Status::TooLong)
            return cliFail(1, in + ": line " + std::to_string(lineNo) + ": longer than "
                                  + std::to_string(kMaxLineBytes) + " bytes, which no ledger line is");
        // A text editor's byte-order mark is no part of the first date.
        if (lineNo == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        if (line.empty()) {
            blankPending = true;
            continue;
        }
        AutRecord record;
        if (auto err = parseDumpLine(line, record))
            return cliFail(1, in + ": line " + std::to_string(lineNo) + ": " + *err);
        if (auto err = records.add(record))
            return cliFail(1, *err);
    }
    // A ledger open in a running copy of the program would come back with
    // that copy's next save: refuse it, as the program refuses it.
    const quill::FileLock lock = quill::FileLock::take(outPath);
    if (lock.state() == quill::FileLock::State::HeldElsewhere)
        return cliFail(1, outPath + ": " + quill::kHeldElsewhereText);
    if (quill::IoResult same = refuseSameFile(in, outPath); !same)
        return cliFileFail(1, same, outPath, quill::FileAction::Save);
    // A device or a pipe is no ledger: refused before its backup or write.
    struct stat target {};
    if (::stat(outPath.c_str(), &target) == 0 && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
        return cliFileFail(1, quill::NotRegularFile(), outPath, quill::FileAction::Save);
    // The version the import replaces is kept in "백업", as a save keeps it.
    std::string backup;
    quill::IoResult kept = quill::KeepBackup(outPath, quill::LocalBackupTime(), &backup);
    quill::SafeFile file(outPath);
    quill::IoResult r = file.open();
    if (r)
        r = records.drain([&](const AutRecord& rec) { return file.write(rec.bytes.data(), AutRecord::kSize); });
    if (r)
        r = file.commit();
    if (!r) {
        file.discard();
        quill::DropBackup(backup);
        return cliFileFail(1, r, outPath, quill::FileAction::Save);
    }
    if (kept)
        kept = quill::PruneBackups(outPath);
    if (!kept)
        std::cerr << "quillbook-cli: " << quill::BackupFolderOf(outPath) << ": " << kept.message
                  << " (no backup kept; the ledger was imported)\n";
    return 0;
}
