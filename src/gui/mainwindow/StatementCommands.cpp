// SPDX-License-Identifier: GPL-3.0-or-later
// 가져오기: a card, bank or tax-office list read, previewed and booked into
// the working ledger as one step of the history.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "gui/editor/EntryPanel.h"
#include "gui/statement/StatementPreview.h"
#include "gui/support/WaitWindow.h"
#include "core/statement/StatementImport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QMimeData>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>

namespace {

// Lists up to this size are read at once; a larger one is read on a thread
// of its own behind a progress window with 취소, so that the window never
// freezes (a 60 MB list takes many seconds).
constexpr qint64 kReadAtOnceBytes = 1 << 20;

// Reads the statement; a large one on a worker thread while a modal
// progress window shows how far it has come. A cancelled read gives
// Kind::Cancelled.
quill::StatementReadResult readStatement(const QString& path, QWidget* parent)
{
    const std::string file = QFile::encodeName(path).toStdString();
    if (QFileInfo(path).size() <= kReadAtOnceBytes)
        return quill::ReadStatementFile(file);
    std::atomic<int> progress{0};
    std::atomic<bool> cancel{false};
    quill::StatementReadOptions options;
    options.progress = &progress;
    options.cancel = &cancel;
    quill::StatementReadResult read;
    std::unique_ptr<QThread> worker(QThread::create([&] { read = quill::ReadStatementFile(file, options); }));

    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("StatementReadProgress"));
    dialog.setWindowTitle(QStringLiteral("가져오기"));
    dialog.setLabelText(QStringLiteral("내역 파일을 읽고 있습니다. 잠시만 기다리십시오.\n%1").arg(QFileInfo(path).fileName()));
    dialog.setCancelButtonText(QStringLiteral("취소"));
    dialog.setRange(0, 1000);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setWindowModality(Qt::WindowModal);
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        cancel = true;
        dialog.setLabelText(QStringLiteral("읽기를 멈추는 중입니다..."));
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] { dialog.setValue(progress.load()); });
    tick.start(100);
    dialog.setValue(0);
    dialog.show();
    worker->start();
    loop.exec();
    worker->wait();
    if (cancel || dialog.wasCanceled())
        read.error = {quill::StatementReadError::Kind::Cancelled, std::string()};
    return read;
}

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
    // Nothing else starts meanwhile: the progress window is modal, and a
    // second read is refused while one runs.
    static bool reading = false;
    if (reading)
        return false;
    reading = true;
    quill::StatementReadResult read = readStatement(path, this);
    reading = false;
    if (read.error.kind == quill::StatementReadError::Kind::Cancelled)
        return false;  // the user's own choice: nothing to say
    if (read.error) {
        dialogs().showInfoTitled(QStringLiteral("가져오기"), QString::fromStdString(read.error.message));
        return false;
    }
    StatementPreview::Setup setup;
    setup.path = path;
    setup.book = std::move(read.book);
    setup.table = &TAcunt;
    setup.dialogs = &dialogs();
    setup.configPath = configPath();
    // Matching a long list against the ledger takes a moment more: the
    // wait window says so until the preview stands.
    const bool large = QFileInfo(path).size() > kReadAtOnceBytes;
    if (large)
        ShowWaitMessage(QColor(0, 0, 128), QStringLiteral("내역을 장부와 맞춰 보고 있습니다. 잠시만..."));
    auto* preview = new StatementPreview(std::move(setup), this);
    if (large)
        CloseWait();
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
    dialogs().showInfoTitled(QStringLiteral("가져오기"), QString::fromStdString(quill::ImportReport(booked.counts)));
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
