// SPDX-License-Identifier: GPL-3.0-or-later
// The export button: the rows the grid shows, written as a workbook laid
// out like the official form, then opened in the desktop's spreadsheet
// program.
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "core/config/WorkFolder.h"
#include "core/export/ExportWorkbook.h"
#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "gui/support/WaitWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Gives the working ledger back its row and its notifications on every path
// out of the export, an error included.
class LedgerWalkGuard {
public:
    explicit LedgerWalkGuard(quill::WorkingTable& table) : table_(table), mark_(table.bookmark())
    {
        table_.disableControls();
    }
    ~LedgerWalkGuard()
    {
        table_.gotoBookmark(mark_);
        table_.enableControls();
    }
    LedgerWalkGuard(const LedgerWalkGuard&) = delete;
    LedgerWalkGuard& operator=(const LedgerWalkGuard&) = delete;

private:
    quill::WorkingTable& table_;
    quill::WorkingTable::Bookmark mark_;
};

} // namespace

void Tmainf::PrtBtnClick()
{
    if (!TAcunt.isOpen() || TAcunt.isEmpty())
        return;

    FileDialogSettings settings;
    settings.title = QStringLiteral("파일명을 확인하세요.");
    settings.folder = dialogWorkFolder();
    settings.proposal = QStringLiteral("간편장부_") + context().now().toString(QStringLiteral("yyMMddHHmm"))
        + QStringLiteral(".xlsx");
    settings.filterName = QStringLiteral("엑셀파일 ");
    settings.pattern = QStringLiteral("*.xlsx");
    settings.defaultSuffix = QStringLiteral("xlsx");
    const QString path = AskSavePath(dialogs(), settings);
    if (path.isEmpty())
        return;
    const std::string target = QFile::encodeName(path).toStdString();
    // Never over the open ledger itself.
    if (!book.isUntitled() && quill::IsSameFile(book.fileName(), target)) {
        dialogs().showError(QStringLiteral("엑셀파일을 만들 수 없습니다.\n")
                            + QString::fromStdString(quill::SameAsInputText(target)));
        return;
    }

    quill::IoResult written;
    {
        ShowWaitMessage(QColor(0, 0, 128), QStringLiteral("엑셀파일로 자료 전송 중입니다. 잠시만..."));
        WaitCloser closer;
        LedgerWalkGuard guard(TAcunt);
        quill::ExportOptions options;
        options.ledgerName = ledgerDisplayName().toStdString();
        options.period = shownPeriod();
        options.exportDate = context().now().toString(QStringLiteral("yyyy.MM.dd")).toStdString();
        written = quill::ExportLedger(TAcunt, target, options);
    }
    if (!written) {
        // The failure's own text and the Korean line that says what it means.
        CloseWait();
        dialogs().showError(QStringLiteral("엑셀파일을 만들 수 없습니다.\n")
                            + QString::fromStdString(quill::FileErrorReport(written, target, quill::FileAction::Export)));
        return;
    }
    if (!dialogs().openDocument(path))
        dialogs().showInfo(QStringLiteral("엑셀파일을 다음 위치에 저장했습니다.\n%1\n엑셀파일을 여는 프로그램이 없어 "
                                          "바로 열지 못했습니다.")
                               .arg(QDir::toNativeSeparators(path)));
}
