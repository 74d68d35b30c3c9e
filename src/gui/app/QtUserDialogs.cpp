// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/QtUserDialogs.h"

#include "core/AppInfo.h"
#include "gui/support/Tone.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTranslator>
#include <QUrl>

namespace {

QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
                                QMessageBox::StandardButton escapeButton)
{
    QMessageBox box(icon, title, QtUserDialogs::displayText(text), buttons, QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    box.setTextFormat(Qt::PlainText);
    // A button with a mnemonic answers to its letter alone in a message box.
    for (QAbstractButton* button : box.buttons())
        button->setText(QtUserDialogs::withoutMnemonic(button->text()));
    const int result = box.exec();
    // Closing the box counts as its escape button.
    if (box.clickedButton() == nullptr)
        return escapeButton;
    return static_cast<QMessageBox::StandardButton>(result);
}

QString runFileDialog(const FileDialogSettings& s, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(QApplication::activeWindow(), s.title, s.folder);
    dialog.setAcceptMode(mode);
    // Open takes any name as well: the command reports a missing file itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtUserDialogs::nameFilter(s));
    if (!s.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(s.defaultSuffix);
    // The commands decide about existing files themselves.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!s.folder.isEmpty())
        dialog.setDirectory(s.folder);
    if (!s.proposal.isEmpty())
        dialog.selectFile(s.proposal);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString QtUserDialogs::displayText(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString QtUserDialogs::withoutMnemonic(const QString& caption)
{
    // The translations put the letter after the word: "예(&Y)".
    static const QRegularExpression trailing(QStringLiteral("\\s*\\(&[^&)]\\)"));
    QString out = caption;
    out.remove(trailing);
    QString plain;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i] == QLatin1Char('&') && i + 1 < out.size())
            ++i;  // "&&" keeps one "&", "&Y" keeps "Y"
        plain += out[i];
    }
    return plain;
}

QString QtUserDialogs::nameFilter(const FileDialogSettings& s)
{
    return s.filterName.trimmed() + QStringLiteral(" (") + s.pattern + QLatin1Char(')');
}

void QtUserDialogs::showInfo(const QString& text)
{
    ask(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok, QMessageBox::Ok,
        QMessageBox::Ok);
}

void QtUserDialogs::showInfoTitled(const QString& title, const QString& text)
{
    ask(QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

void QtUserDialogs::showPlain(const QString& text)
{
    ask(QMessageBox::NoIcon, QString::fromUtf8(kProgramTitle), text, QMessageBox::Ok, QMessageBox::Ok,
        QMessageBox::Ok);
}

bool QtUserDialogs::askYesNo(const QString& text)
{
    return ask(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

bool QtUserDialogs::askNoYes(const QString& text)
{
    return ask(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

UserDialogs::Answer QtUserDialogs::askYesNoCancel(const QString& text)
{
    switch (ask(QMessageBox::Question, QStringLiteral("Confirm"), text,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void QtUserDialogs::showError(const QString& text)
{
    ask(QMessageBox::Critical, QStringLiteral("간편장부"), text, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

QString QtUserDialogs::openFileName(const FileDialogSettings& settings)
{
    return runFileDialog(settings, QFileDialog::AcceptOpen);
}

QString QtUserDialogs::saveFileName(const FileDialogSettings& settings)
{
    return runFileDialog(settings, QFileDialog::AcceptSave);
}

void QtUserDialogs::beep() { QApplication::beep(); }

// A real tone of that pitch, not the desktop's bell; nothing without a
// sound output.
void QtUserDialogs::tone(int hertz, int milliseconds) { PlayTone(hertz, milliseconds); }

bool QtUserDialogs::openDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::cleanPath(path)));
}

bool QtUserDialogs::speakKorean()
{
    static QTranslator* qtKorean = nullptr;
    if (qtKorean)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    qtKorean = translator;
    return true;
}
