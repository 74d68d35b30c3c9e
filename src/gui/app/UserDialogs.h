// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFileInfo>
#include <QString>

// Settings of one file dialog, as the commands give them.
struct FileDialogSettings {
    QString title;          // "파일명을 확인하세요."
    QString folder;         // initial folder (the work folder)
    QString proposal;       // proposed file name, may be empty
    QString filterName;     // "간편장부", "엑셀파일 "
    QString pattern;        // "*.Aut", "*.xlsx"
    QString defaultSuffix;  // "Aut", "xlsx": added to a name typed without one
};

// The name a file dialog's answer stands for. A name to open gets the
// default suffix when it has none. A name to save under gets it unless it
// already ends in it, so "2024.12" is saved as "2024.12.Aut" and shows in
// the dialogs' filter later; a trailing dot is dropped first.
inline QString CompletedFileName(QString path, const QString& defaultSuffix, bool saving)
{
    const QString ending = QLatin1Char('.') + defaultSuffix;
    if (saving ? path.endsWith(ending, Qt::CaseInsensitive) : !QFileInfo(path).suffix().isEmpty())
        return path;
    while (path.endsWith(QLatin1Char('.')))
        path.chop(1);
    return path + ending;
}

// Every message box, file dialog and sound of the program goes through this
// interface, so that tests can answer them without a person.
class UserDialogs {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~UserDialogs() = default;

    // Information box: title "Information", OK.
    virtual void showInfo(const QString& text) = 0;
    // Information box of a window of its own (가져오기), under that
    // window's Korean title; tests see it as an information box.
    virtual void showInfoTitled(const QString& title, const QString& text)
    {
        (void)title;
        showInfo(text);
    }
    // Plain message box: no icon, the program's title, OK.
    virtual void showPlain(const QString& text) = 0;
    // Question box: title "Confirm", Yes (default) and No (Esc). No question
    // answers to a single letter: Y and N are ㅛ and ㅜ on the Korean layout,
    // and a word typed into the box by mistake must not answer it. Enter,
    // Esc, the arrows and Tab do.
    virtual bool askYesNo(const QString& text) = 0;
    // The same box with No the default, for a Yes that loses something
    // (deleting an entry, replacing a file): a stray Enter keeps it.
    virtual bool askNoYes(const QString& text) = 0;
    // Question box with Yes (default), No and Cancel (Esc); closing it is
    // Cancel. No single-letter answers either.
    virtual Answer askYesNoCancel(const QString& text) = 0;
    // The general error report: error icon, title "간편장부", OK.
    virtual void showError(const QString& text) = 0;
    // Open and save dialogs; an empty result means cancelled.
    virtual QString openFileName(const FileDialogSettings& settings) = 0;
    virtual QString saveFileName(const FileDialogSettings& settings) = 0;
    // The system's default beep, and a tone of a frequency and duration.
    virtual void beep() = 0;
    virtual void tone(int hertz, int milliseconds) = 0;
    // Opens a finished document in the desktop's default application;
    // false when nothing could open it.
    virtual bool openDocument(const QString& path) = 0;
};

// The one flow of every save dialog (a ledger, the workbook, a PDF): asks
// for the name, completes its suffix, and asks before an existing file is
// replaced (No is the default). Empty when the user gave up. `own`, when
// given, is the file being saved again (the open ledger under its name):
// no other file, so not asked about.
inline QString AskSavePath(UserDialogs& dialogs, const FileDialogSettings& settings, const QString& own = {})
{
    QString path = dialogs.saveFileName(settings);
    if (path.isEmpty())
        return {};
    path = CompletedFileName(path, settings.defaultSuffix, true);
    const bool itself = !own.isEmpty() && QFileInfo(own).exists()
        && QFileInfo(own).canonicalFilePath() == QFileInfo(path).canonicalFilePath();
    // A folder is not replaced: the save itself reports it.
    if (!itself && QFileInfo::exists(path) && !QFileInfo(path).isDir()
        && !dialogs.askNoYes(QStringLiteral("%1 파일이 이미 있습니다.\n새 자료로 바꾸시겠습니까?")
                                 .arg(QFileInfo(path).fileName())))
        return {};
    return path;
}
