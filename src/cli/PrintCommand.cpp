// SPDX-License-Identifier: GPL-3.0-or-later
// print: the ledger as the printed 간편장부 form, into a PDF file, without
// a display (the painter runs on Qt's offscreen platform).
#include "cli/Commands.h"
#include "cli/CliSupport.h"

#include "core/ledger/WorkingTable.h"
#include "print/LedgerPrinter.h"
#include "print/PdfOutput.h"
#include "core/print/PrintLayout.h"

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>

#include <cstdio>
#include <cstdlib>
#include <memory>

int runPrint(const std::vector<std::string>& args)
{
    const char* usage
        = "usage: quillbook-cli print FILE [--year Y] [--month M] [--category C] (-o OUT.pdf | --printer NAME)";
    CliArgs a;
    if (auto err = parseCliArgs(args, {"--year", "--month", "--category", "-o", "--printer"}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1 || a.options.count("-o") + a.options.count("--printer") != 1)
        return cliFail(2, usage);
    std::optional<quill::LedgerFilter> filter;
    if (auto err = cliFilter(a, filter))
        return cliFail(2, *err);
    const std::string& path = a.positional[0];
    const bool toFile = a.options.count("-o") > 0;
    const std::string out = toFile ? a.options["-o"] : a.options["--printer"];
    quill::WorkingTable table;
    if (quill::IoResult r = loadLedgerForCli(path, table, filter); !r)
        return cliFileFail(1, r, path, quill::FileAction::Read);
    if (quill::IoResult r = refuseSameFile(path, out); toFile && !r)
        return cliFileFail(1, r, out, quill::FileAction::Pdf);

    // Fonts and the PDF engine need a Qt application; none needs a display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's own notes (a missing runtime folder and the like) are no news
    // to a command-line user; its errors still go to stderr, in UTF-8 as
    // everything else the command line writes.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "quillbook-cli: %s\n", text.toUtf8().constData());
    });
    static int argc = 1;
    static char name[] = "quillbook-cli";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);

    QPrinter printer(QPrinter::HighResolution);
    if (toFile) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        // A queue of the system's printers (CUPS).
        printer.setPrinterName(QString::fromStdString(out));
        if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat)
            return cliFail(1, out + ": 그런 프린터가 없습니다.");
    }
    printer.setDocName(QFileInfo(QString::fromStdString(path)).fileName());
    SetDefaultLedgerPage(printer);

    quill::PrintHeading heading;
    heading.ledgerName = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    heading.period = quill::PeriodLabel(filter ? &*filter : nullptr);
    heading.printDate = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString();
    const int n = table.recordCount();
    auto paint = [&] {
        return PrintLedger(
            printer,
            [&](const std::function<bool(const quill::LedgerEntry&)>& each) {
                for (int i = 0; i < n; ++i)
                    if (!each(table.visibleRow(i)))
                        break;
            },
            heading);
    };
    if (!toFile)
        return paint() ? 0 : cliFail(1, out + ": 인쇄할 수 없습니다.");
    // Into a temporary file first: a PDF that cannot be written whole
    // leaves the one it was to replace as it was.
    const quill::IoResult written = WritePdfFile(out, [&](const QString& file) {
        printer.setOutputFileName(file);
        return paint();
    });
    if (!written)
        return cliFileFail(1, written, out, quill::FileAction::Pdf);
    return 0;
}
