#include "support/HelperLibrary.h"

#include "app/UserDialogs.h"

#include <QCoreApplication>
#include <QDir>

#include <dlfcn.h>

namespace {
QString& PluginFolderSetting()
{
    static QString folder;
    return folder;
}
} // namespace

void SetPluginFolder(const QString& folder) { PluginFolderSetting() = folder; }

QString PluginFolder()
{
    if (!PluginFolderSetting().isEmpty())
        return PluginFolderSetting();
    return QCoreApplication::applicationDirPath();
}

QString SiteFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("site"));
}

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
    const QString path = QDir(folder).absoluteFilePath(fileName);
    void* handle = QDir::isAbsolutePath(path) ? dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL)
                                              : nullptr;
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
        dialogs.showInfo(QString::number(kEntryNotFound));
        return false;
    }
    call(address);
    return true;
}
