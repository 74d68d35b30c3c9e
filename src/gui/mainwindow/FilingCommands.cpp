// SPDX-License-Identifier: GPL-3.0-or-later
// The "신고자료" button: the filing figures of the filter's year in a window
// of their own, and the way from its evidence list back to the grid.
#include "gui/mainwindow/MainWindow.h"
#include "core/text/TextHelpers.h"
#include "core/text/Cp949.h"
#include "core/ledger/LedgerChange.h"
#include "gui/app/UserDialogs.h"
#include "core/config/WorkFolder.h"
#include "gui/filing/FilingWindow.h"
#include "core/ledger/LedgerFilter.h"

#include <QComboBox>
#include <QFile>
#include <QSignalBlocker>
#include <QSpinBox>

void Tmainf::FilingBtnClick()
{
    if (!TAcunt.isOpen())
        return;
    FilingWindow::Setup setup;
    setup.table = &TAcunt;
    setup.dialogs = &dialogs();
    setup.configPath = configPath();
    if (!book.isUntitled())
        setup.ledgerPath = QString::fromStdString(book.fileName());
    // The same work folder as every other dialog (an installed copy keeps
    // its configuration in the user's folder, not beside the program).
    setup.pdfFolder = [this] { return dialogWorkFolder(); };
    bool numeric = false;
    const int year = QString::fromStdString(quill::StripBlanks(YerEdit->text().toStdString())).toInt(&numeric);
    setup.year = numeric && year >= 1 && year <= 9999 ? year : context().now().date().year();

    auto* window = new FilingWindow(setup, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &FilingWindow::entryChosen, this,
            [this](std::size_t row) { runCommand([this, row] { showLedgerRow(row); }); });
    window->markNondeductible = [this](std::size_t row) { return markNondeductible(row); };
    // Modal to the main window: the ledger cannot change under the figures.
    window->open();
}

bool Tmainf::markNondeductible(std::size_t row)
{
    if (!TAcunt.isOpen() || row >= TAcunt.rowCount())
        return false;
    if (editorMode != quill::EditorMode::Idle) {
        dialogs().showInfo(QStringLiteral("입력 중인 자료를 먼저 확인하거나 취소하세요."));
        return false;
    }
    const quill::LedgerEntry before = TAcunt.row(row);
    const std::string word = quill::encodeCp949("불공").bytes.value_or(std::string());
    std::string etc(before.ETC.view());
    // With a blank when the remark has room for it (the field holds 15 bytes).
    const std::string added = etc.empty() ? word : etc.size() + 1 + word.size() <= 15 ? etc + " " + word : etc + word;
    if (word.empty() || added.size() > 15) {
        dialogs().showInfo(QStringLiteral("비고 칸이 차서 \"불공\"을 더할 수 없습니다. 비고를 줄인 뒤 다시 하십시오."));
        return false;
    }
    quill::LedgerEntry after = before;
    after.ETC = added;
    TAcunt.removeRowAt(row);
    TAcunt.insertRowAt(row, after);
    recordChange(quill::LedgerChange::changed(row, before, TAcunt, row), QStringLiteral("불공제 표시"));
    RecomputeTotals();
    return true;
}

void Tmainf::showLedgerRow(std::size_t row)
{
    if (!TAcunt.isOpen() || row >= TAcunt.rowCount())
        return;
    if (editorMode != quill::EditorMode::Idle) {
        dialogs().showInfo(QStringLiteral("입력 중인 자료를 먼저 확인하거나 취소하세요."));
        return;
    }
    const quill::LedgerEntry& entry = TAcunt.row(row);
    const QString day = QString::fromLatin1(entry.IDAY.data, entry.IDAY.len);
    const int year = day.left(4).toInt();
    const int month = day.mid(5, 2).toInt();
    if (month >= 1 && month <= 12) {
        const QSignalBlocker blockYear(YerEdit), blockMonth(gCombo), blockCategory(CmGbn);
        YerEdit->setValue(year);
        gCombo->setCurrentIndex(month);
        const quill::LedgerFilter withCategory = quill::LedgerFilter::fromControls(
            shownIndex(CmGbn), YerEdit->text().toStdString(), month, gCombo->currentText().toStdString());
        if (!withCategory.passes(entry))
            CmGbn->setCurrentIndex(0);
    }
    CmGbnChange();
    for (int i = 0; i < TAcunt.recordCount(); ++i) {
        if (&TAcunt.visibleRow(i) == &entry) {
            TAcunt.moveTo(i);
            return;
        }
    }
    // A date no month of the filter row can show (month 00 or 13, day 32).
    dialogs().showInfo(QStringLiteral("날짜가 \"%1\"인 자료는 조회 조건의 어느 달에도 들지 않아 표에 보일 수 없습니다.\n"
                                      "quillbook-cli check로 찾아 고치십시오.")
                           .arg(day));
}
