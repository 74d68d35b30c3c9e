#pragma once
#include "app/UserDialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// Answers every dialog from prepared answers and records what was shown.
// A question asked without a prepared answer fails the running test.
class ScriptedDialogs : public UserDialogs {
public:
    struct Shown {
        QString kind;   // "info", "yesno", "yesnocancel", "error", "open", "save"
        QString text;   // message, or the dialog's title
        FileDialogSettings settings;
    };

    QQueue<bool> yesNo;
    QQueue<Answer> yesNoCancel;
    QQueue<QString> fileNames;   // "" = cancel
    QList<Shown> shown;
    int beeps = 0;
    QStringList openedDocuments;
    bool canOpenDocuments = true;

    void showInfo(const QString& text) override;
    bool askYesNo(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    void showError(const QString& text) override;
    QString openFileName(const FileDialogSettings& settings) override;
    QString saveFileName(const FileDialogSettings& settings) override;
    void beep() override { ++beeps; }
    void tone(int, int) override { ++beeps; }
    bool openDocument(const QString& path) override;

    // The texts shown with the given kind, in order.
    QStringList texts(const QString& kind) const;
};
