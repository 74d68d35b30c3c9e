// SPDX-License-Identifier: GPL-3.0-or-later
// 가져오기 of a 100,000-row statement against a 1,000,000-entry working
// ledger, as the window does it: the file read, the ledger indexed, every
// row proposed and matched, and the preview shown and painted (target:
// under 2 s and 300 MB for the whole process). Run offscreen by
// scripts/bench.sh; never part of the tests.
// usage: statement_figures [STATEMENT_ROWS] [LEDGER_ENTRIES]
#include "gui/statement/ImportRowsModel.h"
#include "gui/statement/StatementPreview.h"
#include "core/ledger/WorkingTable.h"
#include "core/statement/StatementBook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// CPU seconds of the process: on a machine shared with other work the wall
// clock says more about the others.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double currentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// CP949 counterparty names: "가게12345".
std::string shopName(int k)
{
    return "\xB0\xA1\xB0\xD4" + std::to_string(k);   // 가게
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int statementRows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int ledgerEntries = argc > 2 ? std::atoi(argv[2]) : 1000000;

    // A ledger of five years over 50,000 counterparties.
    quill::WorkingTable table;
    table.reserve(static_cast<std::size_t>(ledgerEntries));
    char day[16];
    for (int i = 0; i < ledgerEntries; ++i) {
        quill::LedgerEntry e;
        std::snprintf(day, sizeof day, "%04d.%02d.%02d", 2020 + i % 5, 1 + i / 5 % 12, 1 + i / 60 % 28);
        e.IDAY = day;
        e.JKYU = "\xBA\xF1\xC7\xB0";  // 비품
        e.SANGHO = shopName(i % 50000);
        e.OTMNY = 1000 + i % 997 * 10;
        e.OTVAT = e.OTMNY / 10;
        e.ETC = "\xC4\xAB\xB5\xE5";   // 카드
        table.appendRaw(e);
    }
    table.orderBy("IDAY");
    table.open();

    // The tax office's card list, every tenth row already booked.
    const std::string path = "/tmp/quillbook-statement-figures.csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xBB\xE7\xBE\xF7\xBF\xEB \xBD\xC5\xBF\xEB\xC4\xAB\xB5\xE5 \xB8\xC5\xC0\xD4\xB3\xBB\xBF\xAA\n"
            << "\xBD\xC2\xC0\xCE\xC0\xCF\xC0\xDA,\xC4\xAB\xB5\xE5\xB9\xF8\xC8\xA3,\xBD\xC2\xC0\xCE\xB9\xF8\xC8\xA3,"
               "\xB0\xA1\xB8\xCD\xC1\xA1\xB8\xED,\xB0\xA1\xB8\xCD\xC1\xA1\xBB\xE7\xBE\xF7\xC0\xDA\xB9\xF8\xC8\xA3,"
               "\xB0\xF8\xB1\xDE\xB0\xA1\xBE\xD7,\xBA\xCE\xB0\xA1\xBC\xBC,\xBA\xC0\xBB\xE7\xB7\xE1,\xC7\xD5\xB0\xE8\n";
        for (int r = 0; r < statementRows; ++r) {
            const int i = r % 10 == 0 ? r * 7 % ledgerEntries : ledgerEntries + r;
            std::snprintf(day, sizeof day, "%04d-%02d-%02d", 2020 + i % 5, 1 + i / 5 % 12, 1 + i / 60 % 28);
            const int supply = 1000 + i % 997 * 10;
            out << day << ",1234-****-****-5678," << 30000000 + r << "," << shopName(i % 50000) << ",123-45-67890,\""
                << supply << "\"," << supply / 10 << ",0," << supply + supply / 10 << "\n";
        }
    }
    const double before = currentMb();

    QElapsedTimer timer;
    timer.start();
    const double cpu0 = cpuSeconds();
    quill::StatementReadResult read = quill::ReadStatementFile(path);
    if (read.error) {
        std::fprintf(stderr, "%s\n", read.error.message.c_str());
        return 1;
    }
    const qint64 readMs = timer.elapsed();
    const double afterRead = currentMb(), peakAfterRead = peakMb();
    StatementPreview::Setup setup;
    setup.path = QString::fromStdString(path);
    setup.book = std::move(read.book);
    setup.table = &table;
    setup.configPath = QStringLiteral("/nonexistent/quillcfg.ini");
    StatementPreview preview(std::move(setup));
    preview.show();
    preview.view->viewport()->repaint();
    app.processEvents();
    const qint64 totalMs = timer.elapsed();
    const double cpu = cpuSeconds() - cpu0;
    std::remove(path.c_str());

    int counts[4] = {0, 0, 0, 0};
    for (const quill::ImportRow& row : preview.rows())
        ++counts[static_cast<int>(row.status)];
    std::printf("statement rows %d, ledger entries %d (%s)\n", statementRows, ledgerEntries,
                preview.plan().profile.name.c_str());
    std::printf("  rows: new %d, duplicate %d, similar %d, error %d\n", counts[0], counts[1], counts[2], counts[3]);
    std::printf("  read %lld ms; read + index + match + preview shown %lld ms wall, %.0f ms CPU (target < 2000)\n",
                static_cast<long long>(readMs), static_cast<long long>(totalMs), cpu * 1000);
    std::printf("  peak memory %.0f MB for the whole process (target < 300), %.0f MB of it the ledger and Qt before\n",
                peakMb(), before);
    std::printf("  memory: %.0f MB after reading (peak so far %.0f MB), %.0f MB with the preview open\n", afterRead,
                peakAfterRead, currentMb());
    return 0;
}
