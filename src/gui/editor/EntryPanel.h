// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/editor/EntryEditor.h"

#include <QFrame>

class QButtonGroup;
class QLabel;
class QRadioButton;
class QToolButton;
class DateEdit;
class LimitedTextEdit;
class MoneyEdit;
class RemarkBox;
class UserDialogs;

// The entry panel: date, description, counterparty, category, amount, VAT,
// total and remark of one entry, with the confirm and cancel buttons. It
// knows the fields and their own behaviour (proposals, the date test, the
// Enter walk); what confirm and cancel do is the main window's.
class EntryPanel : public QFrame {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget* parent = nullptr);

    DateEdit* IDAYEdt = nullptr;
    LimitedTextEdit* JKYUEdt = nullptr;
    LimitedTextEdit* SANGHOEdt = nullptr;
    QFrame* GbnPanl = nullptr;
    QRadioButton* RadioA = nullptr;  // 수입
    QRadioButton* RadioB = nullptr;  // 비용
    QRadioButton* RadioC = nullptr;  // 자산
    MoneyEdit* mTmnyEdt = nullptr;
    MoneyEdit* mTvatEdt = nullptr;
    MoneyEdit* mTotmy = nullptr;
    RemarkBox* EtcCmb = nullptr;
    QToolButton* mOk = nullptr;
    QToolButton* mVoide = nullptr;

    // Where the panel's messages go.
    void setDialogs(UserDialogs* dialogs) { dialogs_ = dialogs; }
    // The editor's mode, for the proposals and the date test.
    void setMode(quill::EditorMode mode) { mode_ = mode; }
    quill::EditorMode mode() const { return mode_; }

    // The panel's values; texts in CP949.
    quill::EntryInput input() const;
    // Row-to-editor copy: a category of None leaves the selection as it is.
    void showInput(const quill::EntryInput& input);
    // Empties the fields for a new entry with the proposed date.
    void clearForAdding(const QString& date);
    quill::Category category() const;
    void setCategory(quill::Category category);  // None clears the choice

    // Confirm and cancel buttons: raised and enabled while editing, flat and
    // disabled otherwise.
    void setButtonsActive(bool active);

    // The date test; shows the message and returns the focus to the date
    // field when the date has one to seven digits.
    bool checkDate();

    // The entry an edit writes into.
    quill::EditTarget editTarget;

    // Hands whatever the input method is still composing in a panel field
    // over to that field. Every command that reads or closes the panel
    // calls it first: a click on a button that takes no focus would
    // otherwise lose the last syllable.
    void commitComposition();
    // Remembers the panel's values as they stand when it opens, so that
    // holdsInput() can tell whether anything was typed since.
    void markOpened();
    // True while Adding or Editing when the values differ from those the
    // panel opened with: an entry typed but not confirmed.
    bool holdsInput() const;

    // The short note shown beside a field that refused a text (empty when
    // none is shown); it goes at the next key.
    QString noteText() const;
    void showNote(QWidget* field, const QString& text);
    void hideNote();

signals:
    void confirmRequested();
    void cancelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitDateField();
    void proposeVat();
    void proposeRemark();
    void splitVat();
    void updateTotal();
    void pasteSpecialChar(QWidget* field);
    void showInfo(const QString& text);
    bool handleKey(QWidget* field, int key);

    UserDialogs* dialogs_ = nullptr;
    QLabel* note_ = nullptr;
    quill::EntryInput opened_;
    quill::EditorMode mode_ = quill::EditorMode::Idle;
    QButtonGroup* category_ = nullptr;
    bool dateCheckQueued_ = false;
};
