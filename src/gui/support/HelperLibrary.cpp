// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/HelperLibrary.h"

#include "core/io/ProgramFolders.h"
#include "gui/app/UserDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <dlfcn.h>

namespace {
QString& folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString PluginFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const quill::ProgramFolders folders =
        quill::ResolveProgramFolders(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(folders.plugins));
}

void SetPluginFolder(const QString& folder) { folderOverride() = folder; }

namespace {
// The number shown when a library lacks its entry: the look-up has no
// error number of its own on this platform, so the familiar one for
// "procedure not found" stands for it.
constexpr int kEntryNotFound = 127;

struct Unload {
    void* handle;
    ~Unload() { dlclose(handle); }
};
} // namespace

bool CallHelperLibrary(UserDialogs& dialogs, const QString& fileName, const char* entry,
                       const std::function<void(void*)>& call, bool beepFirst, const QString& folder)
{
    // Only a full path: a bare or relative name would let the dynamic
    // loader search, or resolve against the current folder.
    void* handle = nullptr;
    if (QDir::isAbsolutePath(folder) && !fileName.contains(QLatin1Char('/')))
        handle = dlopen(QFile::encodeName(QDir(folder).filePath(fileName)).constData(), RTLD_NOW | RTLD_LOCAL);
    if (beepFirst)
        dialogs.tone(750, 25);
    if (!handle) {
        if (!beepFirst)
            dialogs.tone(750, 25);
        dialogs.showInfo(fileName + QStringLiteral(" 파일에 문제가 있거나 Dll 파일을 찾을 수 없습니다"));
        return false;
    }
    Unload unload{handle};
    void* address = dlsym(handle, entry);
    if (!address) {
        dialogs.showPlain(QString::number(kEntryNotFound));
        return false;
    }
    call(address);
    return true;
}

QRect HelpPaneRect(QSize screen)
{
    return QRect(screen.width() - 660, 0, 657, screen.height() - 10);
}

QRect DownloadsPaneRect(const QRect& frame)
{
    return QRect(frame.left() + frame.width() - 580, frame.top() + 85, 560, 580);
}
