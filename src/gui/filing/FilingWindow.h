// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/filing/FilingFigures.h"
#include "core/filing/IncomeFigures.h"

#include <QDialog>
#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

class QChartView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class UserDialogs;

namespace quill {
class WorkingTable;
struct FilingTable;
}

// The filing figures of one year of the open ledger (참고용): VAT, income
// tax, the evidence check and a chart of the months. It reads the working
// ledger and never changes it; the main window stays blocked while it is
// open, so the figures never go stale.
class FilingWindow : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        const quill::WorkingTable* table = nullptr;
        UserDialogs* dialogs = nullptr;
        QString configPath;  // where the ledger's filing settings are kept
        QString ledgerPath;  // the ledger's full path: its section there
        std::function<QString()> pdfFolder;  // where the PDF dialog opens
        int year = 0;
    };
    FilingWindow(const Setup& setup, QWidget* parent = nullptr);

    // The tabs, in order.
    enum Tab { VatTab, IncomeTab, EvidenceTab, ChartTab, SettingsTab };

    // --- controls (public for the tests) ----------------------------------
    QSpinBox* yearBox = nullptr;
    QComboBox* typeBox = nullptr;
    QTabWidget* tabs = nullptr;
    QTableWidget* vatTable = nullptr;
    QTableWidget* incomeTable = nullptr;
    QTableWidget* evidenceTable = nullptr;
    QChartView* chartView = nullptr;
    QLabel* undatedLabel = nullptr;
    // The ledger's settings (the settings tab).
    QComboBox* industryBox = nullptr;
    QLineEdit* prepaidEdits[2] = {};
    QLineEdit* wordEdits[quill::kEvidenceWordKinds] = {};
    QComboBox* largeBox = nullptr;  // 장부로 판단 / 10억원 초과 / 10억원 이하
    QLineEdit* deemedEdit = nullptr;
    QLineEdit* openingEdit = nullptr;      // 개업일
    QLineEdit* lastRevenueEdit = nullptr;  // 직전 연도 수입금액
    QCheckBox* accountantBox = nullptr;    // 세무대리인이 신고
    QPushButton* copyButton = nullptr;
    QPushButton* pdfButton = nullptr;

    const quill::FilingFigures& figures() const { return figures_; }
    // Adds "불공" to a ledger row's remark (set by the main window); true
    // when it did. Ctrl+D on a row of the 불공제 candidates asks it.
    std::function<bool(std::size_t row)> markNondeductible;
    // Marks the evidence table's current row as 불공제 when it is a
    // candidate and recomputes; false when it is none or was refused.
    bool confirmNondeductible();
    const quill::IncomeFigures& income() const { return income_; }
    // The figures of the tab in view, tab-separated, to the clipboard.
    void copyFigures();
    // Asks for a file name and writes every table and the chart as PDF.
    void savePdf();
    // Writes the PDF; false with the reason when it could not be written.
    bool writePdf(const QString& path, QString* error = nullptr);

signals:
    // The user chose an entry of the evidence list: its row in the table.
    void entryChosen(std::size_t row);

private:
    void recompute();
    void typeChosen(int index);
    // Takes the settings tab's values, stores them for the ledger and
    // recomputes.
    void settingsChanged();
    QWidget* buildSettings();
    void fillChart();
    quill::FilingTable tableOfTab(int tab) const;

    Setup setup_;
    quill::FilingSettings settings_;
    quill::FilingFigures figures_;
    quill::IncomeSettings incomeSettings_;
    quill::IncomeFigures income_;
    std::vector<long long> evidenceEntries_;  // ledger row of each evidence table row
    std::vector<bool> candidateRows_;         // evidence table rows that are 불공제 candidates
    QLabel* titles_[4] = {};
    QLabel* notes_[4] = {};
};
