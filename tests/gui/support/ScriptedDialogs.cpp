// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

#include <QTest>

void ScriptedDialogs::showInfo(const QString& text) { shown.append({"info", text, {}}); }
void ScriptedDialogs::showPlain(const QString& text) { shown.append({"plain", text, {}}); }

bool ScriptedDialogs::askYesNo(const QString& text)
{
    shown.append({"yesno", text, {}});
    if (yesNo.isEmpty() && improviser)
        return !text.contains(QStringLiteral("끝내")) && improviser->bounded(2) == 1;
    if (yesNo.isEmpty()) {
        QTest::qFail(qPrintable("unexpected question: " + text), __FILE__, __LINE__);
        return false;
    }
    return yesNo.dequeue();
}

bool ScriptedDialogs::askNoYes(const QString& text)
{
    shown.append({"noyes", text, {}});
    if (yesNo.isEmpty() && improviser)
        return improviser->bounded(2) == 1;
    if (yesNo.isEmpty()) {
        QTest::qFail(qPrintable("unexpected question: " + text), __FILE__, __LINE__);
        return false;
    }
    return yesNo.dequeue();
}

UserDialogs::Answer ScriptedDialogs::askYesNoCancel(const QString& text)
{
    shown.append({"yesnocancel", text, {}});
    if (yesNoCancel.isEmpty() && improviser)
        return Answer(improviser->bounded(3));
    if (yesNoCancel.isEmpty()) {
        QTest::qFail(qPrintable("unexpected question: " + text), __FILE__, __LINE__);
        return Answer::Cancel;
    }
    return yesNoCancel.dequeue();
}

void ScriptedDialogs::showError(const QString& text) { shown.append({"error", text, {}}); }

QString ScriptedDialogs::openFileName(const FileDialogSettings& settings)
{
    shown.append({"open", settings.title, settings});
    if (fileNames.isEmpty() && improviser)
        return improvisedFile();
    if (fileNames.isEmpty()) {
        QTest::qFail("unexpected open dialog", __FILE__, __LINE__);
        return {};
    }
    return fileNames.dequeue();
}

QString ScriptedDialogs::saveFileName(const FileDialogSettings& settings)
{
    shown.append({"save", settings.title, settings});
    if (fileNames.isEmpty() && improviser)
        return improvisedFile();
    if (fileNames.isEmpty()) {
        QTest::qFail("unexpected save dialog", __FILE__, __LINE__);
        return {};
    }
    return fileNames.dequeue();
}

bool ScriptedDialogs::openDocument(const QString& path)
{
    openedDocuments.append(path);
    return canOpenDocuments;
}

QStringList ScriptedDialogs::texts(const QString& kind) const
{
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == kind)
            out.append(s.text);
    return out;
}

QString ScriptedDialogs::improvisedFile()
{
    const int pick = improviser->bounded(static_cast<int>(improvisedFiles.size()) + 1);
    return pick == improvisedFiles.size() ? QString() : improvisedFiles[pick];
}
