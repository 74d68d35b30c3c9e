// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QStringList>

#include <functional>

class QLineEdit;
class QListView;
class QStringListModel;

// The suggestion list under a text field: it follows what is typed, the
// syllable still being composed included. While it is open Down and Up
// choose, Enter accepts the chosen text (and does nothing else), Esc closes
// it; a click accepts as well. With nothing chosen, or with the list closed,
// every key goes on to the field as before. The list never takes the focus,
// so the input method keeps composing in the field.
class SuggestionPopup : public QObject {
    Q_OBJECT
public:
    // The texts to offer for a query (the field's text and the syllable
    // being composed); empty for none.
    using Provider = std::function<QStringList(const QString& query)>;

    SuggestionPopup(QLineEdit* field, Provider provider);
    ~SuggestionPopup() override;

    bool isOpen() const;
    QStringList texts() const;
    int chosen() const;   // -1 when none is chosen
    QListView* list() const { return list_; }
    void refresh();
    void close();

signals:
    void accepted(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(int row);
    void accept(int row);
    void place();

    QLineEdit* field_;
    Provider provider_;
    QListView* list_;
    QStringListModel* model_;
    QString preedit_;
    QString query_;       // what the open list was made for
    QString lateCommit_;  // a dropped syllable the input method may still send
};
