// SPDX-License-Identifier: GPL-3.0-or-later
// The "신고자료" button: the filing figures of the filter's year in a window
// of their own, and the way from its evidence list back to the grid.
#include "app/MainWindow.h"
#include "app/TextHelpers.h"
#include "app/UserDialogs.h"
#include "app/WorkFolder.h"
#include "filing/FilingWindow.h"
#include "view/LedgerFilter.h"

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
        setup.ledgerPath = QString::fromStdString(book.CurrentFileName);
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
    // Modal to the main window: the ledger cannot change under the figures.
    window->open();
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
    // A date that is not a calendar date (2024.02.30, month 13) is shown
    // with the whole year of its year in view, where the grid lists it.
    if (year >= 1 && (month < 1 || month > 12) && day.size() >= 4) {
        const QSignalBlocker blockYear(YerEdit), blockMonth(gCombo);
        YerEdit->setValue(year);
        gCombo->setCurrentIndex(0);
        CmGbn->setCurrentIndex(0);
    }
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
}
