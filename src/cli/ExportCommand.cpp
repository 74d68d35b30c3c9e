// SPDX-License-Identifier: GPL-3.0-or-later
// export: the workbook the toolbar's export writes, from a ledger file, for
// batch use.
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/io/SafeFile.h"
#include "core/export/ExportWorkbook.h"
#include "core/ledger/LedgerFileStream.h"
#include "core/print/PrintLayout.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

int runExport(const std::vector<std::string>& args)
{
    CliArgs a;
    std::optional<quill::LedgerFilter> filter;
    const char* usage = "usage: quillbook-cli export FILE OUT.xlsx [--year Y] [--month M] [--category C]";
    // --printer is still taken and ignored (the help and the manual page say
    // so): scripts of earlier versions pass it, and every workbook carries
    // its page setup now, so refusing it would only break them.
    if (auto status = parseFilteredArgs(args, {"--printer"}, 2, usage, a, filter))
        return *status;
    const std::string& path = a.positional[0];
    const std::string& out = a.positional[1];

    quill::ExportOptions options;
    options.ledgerName = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    options.period = quill::PeriodLabel(filter ? &*filter : nullptr);
    {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char day[16];
        std::strftime(day, sizeof day, "%Y.%m.%d", &local);
        options.exportDate = day;
    }

    // Counted first, streamed: a ledger too big for one sheet is refused
    // before anything is held, and an empty selection writes nothing (the
    // toolbar's export does nothing then either). Meanwhile the date and
    // position of each passing entry are kept, which is all the export
    // needs to list them in date order as the program's table does.
    struct Key {
        quill::FixedText<10> day;
        std::uint32_t index;
    };
    std::vector<Key> keys;
    const long long limit = quill::ExportEntryLimit(options);
    long long passing = 0;
    bool inOrder = true;
    quill::LedgerFileStream file;
    quill::IoResult r = file.open(path);
    if (r)
        r = file.scan([&](std::size_t index, const quill::AutRecord& rec) {
            const quill::LedgerEntry e = rec.toEntry();
            if (filter && !filter->passes(e))
                return true;
            if (++passing <= limit) {
                inOrder = inOrder && (keys.empty() || !(e.IDAY.view() < keys.back().day.view()));
                keys.push_back({e.IDAY, static_cast<std::uint32_t>(index)});
            }
            return true;
        });
    if (!r)
        return cliFileFail(1, r, path, quill::FileAction::Read);
    if (passing == 0)
        return cliFail(1, path + ": 내보낼 자료가 없습니다. 조회 조건에 맞는 자료가 없어 엑셀파일을 만들지 않았습니다.");
    if (passing > limit)
        return cliFail(1, path + ": " + quill::TooManyEntriesMessage(passing, options));

    // Then written as they are read again: in one sweep when the file is in
    // date order (as every file the program saves is), else record by
    // record in date order, entries of the same date in file order.
    if (!inOrder)
        std::stable_sort(keys.begin(), keys.end(),
                         [](const Key& x, const Key& y) { return x.day.view() < y.day.view(); });
    auto walk = [&](const std::function<bool(const quill::LedgerEntry&)>& each) -> quill::IoResult {
        std::size_t next = 0;
        if (inOrder)
            return file.scan([&](std::size_t index, const quill::AutRecord& rec) {
                if (next == keys.size() || index != keys[next].index)
                    return true;
                ++next;
                return each(rec.toEntry());
            });
        quill::AutRecord rec;
        for (const Key& k : keys) {
            if (quill::IoResult rr = file.readRecord(k.index, rec); !rr)
                return rr;
            if (!each(rec.toEntry()))
                break;
        }
        return quill::IoResult::success();
    };
    if (out != "-") {
        if (quill::IoResult w = refuseSameFile(path, out); !w)
            return cliFileFail(1, w, out, quill::FileAction::Export);
        if (quill::IoResult w = quill::ExportLedgerRows(passing, walk, out, options); !w)
            return cliFileFail(1, w, out, quill::FileAction::Export);
        return 0;
    }
    // "-": the workbook goes to standard output (a pipe, a terminal, a file
    // the shell opened), written into whatever it is, never replaced. The
    // library needs a file it can seek in: a private one first.
    const std::string scratch = quill::SafeFile::scratchFolder();
    if (scratch.empty())
        return cliFail(1, quill::NoScratchFolderText());
    // Named after this process: what a kill leaves is cleaned at the next
    // start or command.
    const std::string folder = quill::MakeExportFolder(scratch);
    if (folder.empty())
        return cliFileFail(1, quill::IoResult::fromErrno(errno).at(scratch), scratch, quill::FileAction::Export);
    const std::string staged = folder + "/workbook.xlsx";
    quill::IoResult w = quill::ExportLedgerRows(passing, walk, staged, options);
    if (!w)
        w = w.at(scratch);  // the staged copy failed: the scratch folder is to blame
    if (w) {
        const int in = ::open(staged.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            w = quill::IoResult::fromErrno(errno);
        char buf[1 << 16];
        for (ssize_t n = 1; w && in >= 0 && n > 0;) {
            n = ::read(in, buf, sizeof buf);
            if (n < 0 && errno == EINTR) {
                n = 1;
                continue;
            }
            if (n < 0)
                w = quill::IoResult::fromErrno(errno);
            for (ssize_t done = 0; w && n > 0 && done < n;) {
                const ssize_t put = ::write(STDOUT_FILENO, buf + done, static_cast<std::size_t>(n - done));
                if (put < 0 && errno != EINTR)
                    w = quill::IoResult::fromErrno(errno);
                done += put > 0 ? put : 0;
            }
        }
        if (in >= 0)
            ::close(in);
    }
    ::unlink(staged.c_str());
    ::rmdir(folder.c_str());
    if (!w)
        return cliFileFail(1, w, "-", quill::FileAction::Export);
    return 0;
}
