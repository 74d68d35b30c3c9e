// SPDX-License-Identifier: GPL-3.0-or-later
// 가져오기: a card, bank or tax-office list read, previewed and booked into
// the working ledger as one step of the history.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "gui/editor/EntryPanel.h"
#include "gui/statement/StatementPreview.h"
#include "core/statement/StatementImport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

// The local file a drag carries, if it is one.
QString droppedFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !mime->urls().front().isLocalFile())
        return {};
    const QString path = mime->urls().front().toLocalFile();
    // A ledger file is no statement.
    if (path.endsWith(QStringLiteral(".aut"), Qt::CaseInsensitive) || !QFileInfo(path).isFile())
        return {};
    return path;
}

} // namespace

void Tmainf::ImportBtnClick()
{
    if (!TAcunt.isOpen() || !SettleUnconfirmedEntry())
        return;
    FileDialogSettings settings;
    settings.title = QStringLiteral("가져올 내역 파일을 고르세요.");
    settings.folder = dialogWorkFolder();
    settings.filterName = QStringLiteral("카드·은행·홈택스 내역 ");
    settings.pattern = QStringLiteral("*.csv *.tsv *.txt *.xlsx *.xls");
    settings.defaultSuffix = QStringLiteral("csv");
    const QString path = dialogs().openFileName(settings);
    if (!path.isEmpty())
        openStatementPreview(path);
}

bool Tmainf::openStatementPreview(const QString& path)
{
    if (!TAcunt.isOpen() || editorMode != quill::EditorMode::Idle || statementPreview)
        return false;
    quill::StatementReadResult read = quill::ReadStatementFile(QFile::encodeName(path).toStdString());
    if (read.error) {
        dialogs().showInfo(QString::fromStdString(read.error.message));
        return false;
    }
    StatementPreview::Setup setup;
    setup.path = path;
    setup.book = std::move(read.book);
    setup.table = &TAcunt;
    setup.dialogs = &dialogs();
    setup.configPath = configPath();
    auto* preview = new StatementPreview(std::move(setup), this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    statementPreview = preview;
    connect(preview, &StatementPreview::bookRequested, this,
            [this, preview] { runCommand([this, preview] { bookStatement(preview); }); });
    // Modal: the ledger the rows were matched against stays as it was.
    preview->open();
    return true;
}

void Tmainf::bookStatement(StatementPreview* preview)
{
    quill::BookedImport booked = quill::BookImportRows(TAcunt, preview->rows());
    if (booked.change) {
        recordChange(std::move(*booked.change), QStringLiteral("가져오기"));
        RecomputeTotals();
    }
    const std::size_t first = booked.firstRow;
    const bool any = booked.counts.booked > 0;
    preview->accept();
    if (any)
        showLedgerRow(first);
    dialogs().showInfo(QString::fromStdString(quill::ImportReport(booked.counts)));
}

void Tmainf::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Tmainf::dropEvent(QDropEvent* event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    runCommand([this, path] {
        if (SettleUnconfirmedEntry())
            openStatementPreview(path);
    });
}
