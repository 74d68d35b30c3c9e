// SPDX-License-Identifier: GPL-3.0-or-later
// print: the ledger as the printed 간편장부 form, into a PDF file, without
// a display (the painter runs on Qt's offscreen platform).
#include "Commands.h"
#include "CliSupport.h"

#include "ledger/WorkingTable.h"
#include "print/LedgerPrinter.h"
#include "print/PrintLayout.h"

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>

#include <cstdlib>
#include <memory>

int runPrint(const std::vector<std::string>& args)
{
    const char* usage = "usage: quillbook-cli print FILE [--year Y] [--month M] [--category C] -o OUT.pdf";
    CliArgs a;
    if (auto err = parseCliArgs(args, {"--year", "--month", "--category", "-o"}, {}, a))
        return cliFail(2, *err);
    if (a.positional.size() != 1 || !a.options.count("-o"))
        return cliFail(2, usage);
    std::optional<quill::LedgerFilter> filter;
    if (auto err = cliFilter(a, filter))
        return cliFail(2, *err);
    const std::string& path = a.positional[0];
    const std::string& out = a.options["-o"];
    quill::WorkingTable table;
    if (quill::IoResult r = loadLedgerForCli(path, table, filter); !r)
        return cliFail(1, path + ": " + r.message);

    // Fonts and the PDF engine need a Qt application; none needs a display.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "quillbook-cli";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(out));
    printer.setDocName(QFileInfo(QString::fromStdString(path)).fileName());
    SetDefaultLedgerPage(printer);

    quill::PrintHeading heading;
    heading.ledgerName = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    heading.period = quill::PeriodLabel(filter ? &*filter : nullptr);
    heading.printDate = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString();
    const int n = table.recordCount();
    const bool painted = PrintLedger(
        printer,
        [&](const std::function<bool(const quill::LedgerEntry&)>& each) {
            for (int i = 0; i < n; ++i)
                if (!each(table.visibleRow(i)))
                    break;
        },
        heading);
    if (!painted || !QFileInfo::exists(QString::fromStdString(out)))
        return cliFail(1, out + ": PDF 파일을 쓸 수 없습니다.");
    return 0;
}
