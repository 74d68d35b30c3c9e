// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/statement/StatementImport.h"

#include <QDialog>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QWidget;
class ImportRowsModel;
class UserDialogs;

// The 가져오기 preview: every row of a statement as it would stand in the
// ledger, with its status, to tick and change before booking. A thin view:
// reading, profiles, proposals and matching are the core's.
class StatementPreview : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        QString path;                              // the statement file
        quill::StatementBook book;                 // as read
        const quill::WorkingTable* table = nullptr;
        UserDialogs* dialogs = nullptr;
        QString configPath;                        // profiles and rules
    };
    explicit StatementPreview(Setup setup, QWidget* parent = nullptr);
    ~StatementPreview() override;

    const std::vector<quill::ImportRow>& rows() const { return plan_.rows; }
    const quill::ImportPlan& plan() const { return plan_; }

    // --- controls (public for the tests) -------------------------------------
    QComboBox* profileBox = nullptr;
    QComboBox* sheetBox = nullptr;
    QComboBox* encodingBox = nullptr;
    QLabel* encodingNote = nullptr;
    QLabel* summary = nullptr;
    QTableView* view = nullptr;
    ImportRowsModel* model = nullptr;
    // making a profile: each column's meaning
    QWidget* mappingPanel = nullptr;
    QTableWidget* mappingTable = nullptr;
    QLineEdit* profileName = nullptr;
    QComboBox* profileCategory = nullptr;
    QLineEdit* profileRemark = nullptr;
    QCheckBox* profileVat = nullptr;
    QPushButton* saveProfileButton = nullptr;
    // making a rule from the current row
    QLineEdit* ruleWord = nullptr;
    QComboBox* ruleCategory = nullptr;
    QLineEdit* ruleDescription = nullptr;
    QLineEdit* ruleRemark = nullptr;
    QPushButton* saveRuleButton = nullptr;
    QPushButton* bookButton = nullptr;

    // The profile made from the mapping panel, saved; false when refused.
    bool saveProfile();
    bool saveRule();

signals:
    // 가져오기: the ticked rows are to be booked.
    void bookRequested();

private:
    // anySheet: the first sheet a profile reads (on opening).
    void replan(bool anySheet = false);
    void rereadWithEncoding();
    void fillProfiles(const QString& select);
    void showMapping(bool show);
    void fillMapping();
    void roleChosen(QComboBox* chosen);
    void proposeCategory();
    void updateSummary();
    void currentRowChanged();

    Setup setup_;
    quill::LedgerMatchIndex index_;
    std::vector<quill::StatementProfile> profiles_;
    std::vector<quill::ImportRule> rules_;
    quill::ImportPlan plan_;
    bool filling_ = false;
    // The book holds every row only until the rows are made; another
    // profile, sheet or encoding reads the file again.
    bool wholeBook_ = true;
    bool indexed_ = false;
    quill::StatementEncoding encodingChoice_ = quill::StatementEncoding::Auto;
};
