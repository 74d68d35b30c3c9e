// SPDX-License-Identifier: GPL-3.0-or-later
// The filter row and the totals bar of the main window: thin handlers over
// the core's filter and totals.
#include "gui/mainwindow/MainWindow.h"
#include "gui/support/WaitWindow.h"
#include "gui/view/FitLabel.h"
#include "core/ledger/LedgerFilter.h"
#include "core/ledger/Totals.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>

int Tmainf::shownIndex(const QComboBox* combo)
{
    const QString text = combo->currentText();
    const int selected = combo->currentIndex();
    if (selected >= 0 && combo->itemText(selected) == text)
        return selected;
    return combo->findText(text, Qt::MatchExactly);
}

void Tmainf::applyControlFilter()
{
    gCombo->markApplied();
    const int month = shownIndex(gCombo);
    const quill::LedgerFilter filter = quill::LedgerFilter::fromControls(
        shownIndex(CmGbn), YerEdit->text().toStdString(), month, gCombo->currentText().toStdString());
    // One notification for both steps: the grid resets once.
    TAcunt.disableControls();
    TAcunt.setFilter(filter);
    TAcunt.setFiltered(true);
    TAcunt.enableControls();
}

void Tmainf::CmGbnChange()
{
    applyControlFilter();
    RecomputeTotals();
}

void Tmainf::RecomputeTotals()
{
    if (TAcunt.isOpen()) {
        const quill::TotalsTexts texts = quill::FormatTotals(quill::SumVisibleRows(TAcunt));
        for (int i = 0; i < 6; ++i)
            Bmxsm[i]->setText(QString::fromStdString(texts.Bmxsm[static_cast<std::size_t>(i)]));
        CntLbe->setText(QString::fromStdString(texts.CntLbe));
    }
    if (!filterKeepsFocus_)
        GrdAcunt->setFocus();
}

void Tmainf::recalculateTotals()
{
    ShowWaitMessage(QColor(26, 27, 22), QStringLiteral("자료를 재계산합니다. 잠시만..."));
    WaitCloser closer;
    RecomputeTotals();
}
