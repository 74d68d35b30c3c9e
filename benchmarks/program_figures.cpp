// SPDX-License-Identifier: GPL-3.0-or-later
// In-program figures of the desktop program, each beside its target:
// start-up to the first painted main window, Open of a large ledger through
// the Open command with a scripted file dialog (CPU and peak memory of the
// whole process), and the CPU of one year change with its repaint. Run
// offscreen by scripts/bench.sh, one figure per process so each starts
// clean; never part of the tests.
// usage: program_figures PROGRAM_FOLDER/ startup | open FILE | yearswitch FILE | save FILE | saves FILE
#include "gui/app/AppFonts.h"
#include "core/AppInfo.h"
#include "gui/mainwindow/MainWindow.h"
#include "TmainfProbe.h"
#include "gui/app/QtUserDialogs.h"
#include "gui/app/UserDialogs.h"
#include "gui/support/TSprSfm.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Seconds since the shell started us: it passes its clock (nanoseconds of
// CLOCK_REALTIME) in QB_FIGURE_T0 just before starting the process.
double sinceStart()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double t = static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    const char* t0 = std::getenv("QB_FIGURE_T0");
    return t0 ? t - std::strtod(t0, nullptr) / 1e9 : -1;
}

// Answers the Open dialog with the prepared file; anything else the program
// asks is reported, since a figure run must not meet a question.
class FigureDialogs : public UserDialogs {
public:
    QString file;
    int surprises = 0;
    QString saveFile;
    void showInfo(const QString& t) override { surprise("info", t); }
    void showPlain(const QString& t) override { surprise("plain", t); }
    bool askYesNo(const QString& t) override { surprise("yes/no", t); return false; }
    bool askNoYes(const QString& t) override { surprise("yes/no", t); return false; }
    Answer askYesNoCancel(const QString& t) override { surprise("yes/no/cancel", t); return Answer::No; }
    void showError(const QString& t) override { surprise("error", t); }
    QString openFileName(const FileDialogSettings&) override { return file; }
    QString saveFileName(const FileDialogSettings&) override { return saveFile; }
    void beep() override {}
    void tone(int, int) override {}
    bool openDocument(const QString&) override { return false; }

private:
    void surprise(const char* kind, const QString& text)
    {
        ++surprises;
        std::fprintf(stderr, "program_figures: unexpected %s: %s\n", kind, qPrintable(text));
    }
};

// Counts paint events of the window and everything in it.
class PaintWatch : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Reports each painted position of a wait window's gauge bar.
class GaugeWatch : public QObject {
public:
    explicit GaugeWatch(std::function<void(int)> seen) : seen_(std::move(seen)) {}
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            if (auto* bar = dynamic_cast<WaitGaugeBar*>(watched))
                seen_(bar->position());
        return false;
    }

private:
    std::function<void(int)> seen_;
};

// Runs the event loop until nothing is pending any more: every posted
// event, layout and paint the last step caused is done.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void figure(const char* what, double value, const char* unit, const char* target)
{
    std::printf("%-52s %9.3f %-3s  target %s\n", what, value, unit, target);
}

} // namespace

int main(int argc, char* argv[])
{
    const double cpuAtMain = cpuSeconds();
    const double atMain = sinceStart();
    if (argc < 3) {
        std::fputs("usage: program_figures PROGRAM_FOLDER/ startup | open FILE | yearswitch FILE | save FILE\n",
                   stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QByteArray mode = argv[2];
    const QString file = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();

    // The start-up of main(), step by step.
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    const double tApp = clock.nsecsElapsed() / 1e6;
    QApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
    QApplication::setFont(appfonts::pixelFont(appfonts::gulim(), 12));
    const double tFonts = clock.nsecsElapsed() / 1e6;
    QtUserDialogs::speakKorean();
    const double tTranslation = clock.nsecsElapsed() / 1e6;

    FigureDialogs dialogs;
    AppContext context;
    context.programFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    context.dialogs = &dialogs;
    Tmainf mainf(context);
    const double tWindow = clock.nsecsElapsed() / 1e6;
    PaintWatch watch;
    mainf.installEventFilter(&watch);
    mainf.show();
    while (watch.paints == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const double tPainted = clock.nsecsElapsed() / 1e6;
    const double startup = sinceStart();

    if (mode == "startup") {
        if (startup >= 0)
            figure("start-up to the first painted main window", startup, "s", "<= 0.3 s");
        std::printf("  before main() %.0f ms (loading, relocation; %.0f ms CPU); QApplication %.0f ms; fonts %.0f ms; "
                    "translation %.0f ms; main window built %.0f ms; shown and painted %.0f ms; CPU %.3f s\n",
                    atMain * 1000, cpuAtMain * 1000, tApp, tFonts - tApp, tTranslation - tFonts,
                    tWindow - tTranslation, tPainted - tWindow, cpuSeconds());
        return 0;
    }

    settle();
    dialogs.file = file;
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    probe(mainf).HFileOpen()->click();
    settle();
    const double openCpu = cpuSeconds() - cpu0;
    const double openWall = wall.nsecsElapsed() / 1e9;
    const long long rows = static_cast<long long>(probe(mainf).TAcunt().rowCount());
    if (dialogs.surprises || rows == 0) {
        std::fprintf(stderr, "program_figures: the ledger did not open\n");
        return 1;
    }
    if (mode == "open") {
        char what[96];
        std::snprintf(what, sizeof what, "Open of %lld entries, whole path: CPU", rows);
        figure(what, openCpu, "s", "<= 0.8 s");
        std::snprintf(what, sizeof what, "Open of %lld entries: peak memory of the process", rows);
        figure(what, peakMb(), "MB", "<= 250 MB");
        std::printf("  wall clock of the Open command %.3f s\n", openWall);
        return 0;
    }
    if (mode == "yearswitch") {
        // The wheel over the year box, between the ledger's year and the
        // empty year before it, each change painted before the next.
        const int full = probe(mainf).YerEdit()->value();
        const QPointF at(probe(mainf).YerEdit()->width() / 2.0, probe(mainf).YerEdit()->height() / 2.0);
        double toEmpty = 0, toFull = 0;
        const int rounds = 20;
        for (int i = 0; i < 2 * rounds; ++i) {
            const bool down = i % 2 == 0;
            QWheelEvent wheel(at, probe(mainf).YerEdit()->mapToGlobal(at), QPoint(), QPoint(0, down ? -120 : 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            const double c = cpuSeconds();
            QCoreApplication::sendEvent(probe(mainf).YerEdit(), &wheel);
            mainf.repaint();
            settle();
            (down ? toEmpty : toFull) += cpuSeconds() - c;
            if (probe(mainf).YerEdit()->value() != (down ? full - 1 : full)) {
                std::fprintf(stderr, "program_figures: the wheel did not change the year\n");
                return 1;
            }
        }
        char what[96];
        std::snprintf(what, sizeof what, "year change, %lld entries <-> empty year: CPU", rows);
        figure(what, (toEmpty + toFull) / (2 * rounds) * 1000, "ms", "<= 20 ms (repaint included)");
        std::printf("  to the empty year %.1f ms, back to the full year %.1f ms\n", toEmpty / rounds * 1000,
                    toFull / rounds * 1000);
        return 0;
    }
    if (mode == "save") {
        // Save As of the opened ledger: how long the gauge stays empty
        // (until its first step is painted), and the whole save.
        double firstStep = -1;
        QElapsedTimer sinceClick;
        GaugeWatch gauge([&](int position) {
            if (position > 0 && firstStep < 0)
                firstStep = sinceClick.nsecsElapsed() / 1e9;
        });
        app.installEventFilter(&gauge);
        dialogs.saveFile = file + QStringLiteral(".saved.Aut");
        const double c = cpuSeconds();
        sinceClick.start();
        probe(mainf).RnameBtn()->click();
        settle();
        const double saveWall = sinceClick.nsecsElapsed() / 1e9;
        const double saveCpu = cpuSeconds() - c;
        QFile::remove(dialogs.saveFile);
        if (dialogs.surprises || firstStep < 0) {
            std::fprintf(stderr, "program_figures: the save did not run\n");
            return 1;
        }
        char what[96];
        std::snprintf(what, sizeof what, "Save As of %lld entries: gauge empty for", rows);
        figure(what, firstStep, "s", "moves from the start");
        std::printf("  whole save %.3f s wall, %.3f s CPU\n", saveWall, saveCpu);
        return 0;
    }
    if (mode == "saves") {
        // For the kill run (benchmarks/kill_run.py): adds one entry dated
        // before every other (so every byte of the file moves) and saves, again and again, saying so after
        // each save, until it is killed.
        for (long long k = 1;; ++k) {
            quill::LedgerEntry& e = probe(mainf).TAcunt().append();
            e.IDAY = "2000.01.01";
            e.JKYU = "kill run";
            e.INMNY = 1;
            e.TAG = "N";
            probe(mainf).TAcunt().post();
            probe(mainf).book().setModified(true);
            probe(mainf).SaveBtn()->click();
            settle();
            if (probe(mainf).book().isModified())
                return 1;
            std::printf("saved %lld\n", k);
            std::fflush(stdout);
        }
    }
    std::fprintf(stderr, "program_figures: unknown figure %s\n", mode.constData());
    return 2;
}
