// SPDX-License-Identifier: GPL-3.0-or-later
// "인쇄": the ledger as the printed 간편장부 form, for the rows the grid
// shows, in a print preview from which it goes to a printer of the system
// or into a PDF file. The page set up there is kept for the next time.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "gui/support/WaitWindow.h"
#include "print/LedgerPrinter.h"
#include "print/PdfOutput.h"
#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/print/PrintLayout.h"
#include "core/print/PrintPageSetup.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

#include <algorithm>

namespace {

// Up to this many entries the preview is ready at once; above it, the wait
// window shows its progress.
constexpr int kEntriesWithoutWait = 1000;

void applySetup(QPrinter& printer, const quill::PrintPageSetup& s)
{
    const auto& m = s.marginsTenthMm;
    printer.setPageLayout(QPageLayout(QPageSize(static_cast<QPageSize::PageSizeId>(s.paperId)),
                                      s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(m[0] / 10.0, m[1] / 10.0, m[2] / 10.0, m[3] / 10.0),
                                      QPageLayout::Millimeter));
}

quill::PrintPageSetup setupOf(const QPrinter& printer)
{
    quill::PrintPageSetup s;
    const QPageLayout layout = printer.pageLayout();
    s.paperId = static_cast<int>(layout.pageSize().id());
    if (s.paperId < 0 || s.paperId > 117)
        s.paperId = quill::kPaperA4;
    s.landscape = layout.orientation() == QPageLayout::Landscape;
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    s.marginsTenthMm = {qRound(m.left() * 10), qRound(m.top() * 10), qRound(m.right() * 10), qRound(m.bottom() * 10)};
    return s;
}

} // namespace

QString Tmainf::ledgerDisplayName() const
{
    if (book.fileName().empty())
        return QStringLiteral("새 장부");
    return QFileInfo(QFile::decodeName(book.fileName().c_str())).fileName();
}

std::string Tmainf::shownPeriod() const
{
    return quill::PeriodLabel(TAcunt.filtered() ? &TAcunt.filter() : nullptr);
}

void Tmainf::PrintBtnClick()
{
    if (!TAcunt.isOpen())
        return;
    const std::string config = configPath().toStdString();
    QPrinter printer(QPrinter::HighResolution);
    applySetup(printer, quill::ReadPrintPageSetup(config));
    printer.setDocName(ledgerDisplayName());

    quill::PrintHeading heading;
    heading.ledgerName = ledgerDisplayName().toStdString();
    heading.period = shownPeriod();
    heading.printDate = context().now().toString(QStringLiteral("yyyy.MM.dd")).toStdString();
    // The rows the grid shows, read by position: the cursor stays.
    const quill::PrintWalk walk = [this](const std::function<bool(const quill::LedgerEntry&)>& each) {
        const int n = TAcunt.recordCount();
        for (int i = 0; i < n; ++i)
            if (!each(TAcunt.visibleRow(i)))
                break;
    };

    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("인쇄 미리 보기 - ") + ledgerDisplayName());
    preview.resize(std::max(width(), 960), std::max(height(), 700));  // a page across, readable
    // A long ledger takes seconds to lay out and draw: the wait window shows
    // that work goes on, and how far it has come, page by page.
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
        const bool long_ = TAcunt.recordCount() > kEntriesWithoutWait;
        if (long_)
            ShowWaitGauge(30, QColor(0, 107, 159), Qt::white, QStringLiteral("인쇄할 쪽을 만들고 있습니다. 잠시만..."));
        WaitCloser closer;
        const quill::PrintedLedger layout = LayOutForPrinter(*target, walk, heading);
        PaintLedger(*target, layout, [long_](int done, int total) {
            if (long_)
                SetWaitGauge(done * 100 / std::max(1, total));
        });
    });

    // "PDF로 저장" beside the preview's own buttons.
    if (auto* bar = preview.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("PDF로 저장"));
        pdf->setObjectName(QStringLiteral("SavePdf"));
        pdf->setToolTip(QStringLiteral("PDF 파일로 저장"));
        connect(pdf, &QAction::triggered, &preview, [&] {
            FileDialogSettings settings;
            settings.title = QStringLiteral("PDF 파일로 저장");
            settings.folder = dialogWorkFolder();
            settings.proposal = QStringLiteral("간편장부_") + context().now().toString(QStringLiteral("yyMMddHHmm"))
                + QStringLiteral(".pdf");
            settings.filterName = QStringLiteral("PDF 파일 ");
            settings.pattern = QStringLiteral("*.pdf");
            settings.defaultSuffix = QStringLiteral("pdf");
            const QString path = AskSavePath(dialogs(), settings);
            if (path.isEmpty())
                return;
            const std::string target = QFile::encodeName(path).toStdString();
            quill::IoResult written;
            if (!book.isUntitled() && quill::IsSameFile(book.fileName(), target)) {
                written = quill::IoResult::failure(quill::IoKind::SameAsInput, quill::SameAsInputText(target));
            } else {
                // Through the safe writer: a PDF that cannot be written whole
                // leaves the file it was to replace as it was.
                written = WritePdfFile(target, [&](const QString& file) {
                    QPrinter pdf(QPrinter::HighResolution);
                    pdf.setOutputFormat(QPrinter::PdfFormat);
                    pdf.setOutputFileName(file);
                    pdf.setDocName(ledgerDisplayName());
                    pdf.setPageLayout(printer.pageLayout());
                    return PrintLedger(pdf, walk, heading);
                });
            }
            if (!written)
                dialogs().showError(QStringLiteral("PDF 파일을 만들 수 없습니다.\n")
                                    + QString::fromStdString(quill::FileErrorReport(written, target, quill::FileAction::Pdf)));
        });
    }
    preview.exec();

    // The page set up in the preview is the next printout's.
    if (setupOf(printer) != quill::ReadPrintPageSetup(config)) {
        if (quill::IoResult r = quill::WritePrintPageSetup(config, setupOf(printer)); !r)
            reportError(QString::fromStdString(r.message));
    }
}
