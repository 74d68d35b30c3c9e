// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLineEdit;
class QListView;
class QStringListModel;
class QWidget;

// The suggestion list under a text field: it follows what is typed, the
// syllable still being composed included. While it is open Down and Up
// choose, Enter accepts the chosen text (and does nothing else), Esc closes
// it; a click accepts as well, and a click anywhere else closes it and then
// does what it was for. With nothing chosen, or with the list closed,
// every key goes on to the field as before.
//
// When the first suggestion begins with the typed text, its remaining
// letters stand selected in the field (inline completion): Enter takes
// them, any further letter replaces them, Backspace or Delete removes them.
// Enter thus keeps exactly what the field shows: a syllable the input
// method finishes with the Enter itself is never completed, since the user
// never saw the completion. A typed text the ledger already holds as it is
// is not completed either ("다이소" stays, though "다이소 양재점" exists).
//
// The list is a child of the field's window, never a window of its own: it
// never takes the focus (the input method keeps composing in the field),
// and it stands under its field wherever the window manager put the
// window. It never covers the widgets it is told to avoid (the panel's
// buttons): it opens above the field, or beside them, instead.
class SuggestionPopup : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // The texts to offer for a query (the field's text and the syllable
    // being composed); empty for none.
    using Provider = std::function<QStringList(const QString& query)>;
    // True when the text is already in use as it is.
    using KnownTest = std::function<bool(const QString& text)>;

    SuggestionPopup(QLineEdit* field, Provider provider);
    ~SuggestionPopup() override;

    bool isOpen() const;
    QStringList texts() const;
    int chosen() const;   // -1 when none is chosen
    QListView* list() const { return list_; }
    // The widgets the list must never cover.
    void setAvoided(const QList<QWidget*>& widgets);
    void setKnownTest(KnownTest known) { known_ = std::move(known); }
    // True while the field shows a completion (its remaining letters selected).
    bool isCompleting() const { return completing_; }
    void refresh();
    void close();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void accepted(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(int row);
    void accept(int row);
    void place();
    void complete(const QString& query, const QString& first);
    void dropCompletion();
    void takeCompletion();
    // Closes the list until the user types again (a click elsewhere, Esc).
    void dismiss();

    QLineEdit* field_;
    Provider provider_;
    KnownTest known_;
    QListView* list_;
    QStringListModel* model_;
    QList<QPointer<QWidget>> avoided_;
    QString preedit_;
    QString query_;       // what the open list was made for
    QString lateCommit_;  // a dropped syllable the input method may still send
    QString lastText_;    // the field's text after the last edit
    bool grew_ = false;   // the last edit made the text longer
    bool completing_ = false;
    QString typed_;       // the user's own letters while completing
    bool watchingClicks_ = false;
    bool dismissed_ = false;
    QElapsedTimer escClosed_;  // since the display's Esc closed the list
};
