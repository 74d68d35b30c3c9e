// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gui/app/UserDialogs.h"

#include <QList>
#include <QQueue>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Answers every dialog from prepared answers and records what was shown.
// A question asked without a prepared answer fails the running test, unless
// an improviser is set: then it answers at random.
class ScriptedDialogs : public UserDialogs {
public:
    struct Shown {
        QString kind;   // "info", "plain", "yesno", "noyes", "yesnocancel", "error", "open", "save"
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
    // Random answers where none was prepared: a file dialog gives one of
    // `improvisedFiles` or is cancelled. The exit question is always "No",
    // so that the window stays.
    QRandomGenerator* improviser = nullptr;
    QStringList improvisedFiles;

    void showInfo(const QString& text) override;
    // Recorded as "info", its title kept in infoTitles.
    void showInfoTitled(const QString& title, const QString& text) override
    {
        infoTitles.append(title);
        showInfo(text);
    }
    QStringList infoTitles;
    void showPlain(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askNoYes(const QString& text) override;  // shown as "noyes", answered from yesNo
    Answer askYesNoCancel(const QString& text) override;
    void showError(const QString& text) override;
    QString openFileName(const FileDialogSettings& settings) override;
    QString saveFileName(const FileDialogSettings& settings) override;
    void beep() override { ++beeps; }
    void tone(int, int) override { ++beeps; }
    bool openDocument(const QString& path) override;

    // The texts shown with the given kind, in order.
    QStringList texts(const QString& kind) const;

private:
    QString improvisedFile();
};
