// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "gui/app/UserDialogs.h"

// The real dialogs: message boxes and file dialogs of Qt, modal over the
// active window.
class QtUserDialogs : public UserDialogs {
public:
    void showInfo(const QString& text) override;
    void showInfoTitled(const QString& title, const QString& text) override;
    void showPlain(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askNoYes(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    void showError(const QString& text) override;
    QString openFileName(const FileDialogSettings& settings) override;
    QString saveFileName(const FileDialogSettings& settings) override;
    void beep() override;
    void tone(int hertz, int milliseconds) override;
    bool openDocument(const QString& path) override;

    // Message texts may hold a bare carriage return as their line break.
    static QString displayText(const QString& text);
    // The program speaks Korean whatever the system's language, so Qt's own
    // buttons and file dialogs do as well ("예", "아니요", "파일 이름").
    // False when Qt's Korean translation is not installed.
    static bool speakKorean();
    // A button's caption without its mnemonic: "예(&Y)" is "예", "&Yes" is
    // "Yes" ("&&" stays a literal "&").
    static QString withoutMnemonic(const QString& caption);
    // "name (pattern)", the file dialog's filter.
    static QString nameFilter(const FileDialogSettings& settings);
};
