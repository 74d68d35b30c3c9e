// SPDX-License-Identifier: GPL-3.0-or-later
// Help, downloads, home page and about box: each hands its work to one of
// our own helper libraries, loaded only for the moment of the call.
#include "core/AppInfo.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/UserDialogs.h"
#include "gui/support/HelperLibrary.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include <cstdint>

namespace {
using OpenPaneEntry = void (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*);
using ShowCreditsEntry = void (*)(const char*, const char*);

void OpenPage(UserDialogs& dialogs, const QRect& pane, const char* path)
{
    const QByteArray url = QByteArray(kHomePageAddress) + path;
    CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
        reinterpret_cast<OpenPaneEntry>(entry)(pane.top(), pane.left(), pane.height(), pane.width(),
                                               url.constData());
    });
}
} // namespace

void Tmainf::HelpBtnClick()
{
    OpenPage(dialogs(), HelpPaneRect(QGuiApplication::primaryScreen()->geometry().size()),
             "/help/tallyhub/quillbook.htm");
}

void Tmainf::dDTZIPClick()
{
    OpenPage(dialogs(), DownloadsPaneRect(frameGeometry()), "/soft.htm");
}

void Tmainf::DgaBtnClick()
{
    // A failure to start the browser is not reported.
    QDesktopServices::openUrl(QUrl(QString::fromUtf8(kHomePageAddress) + QLatin1Char('/')));
}

void Tmainf::HinfoClick()
{
    // The lines travel in the Korean code page, as the library expects.
    const QByteArray changeDate = QByteArrayLiteral("\xc3\xd6\xc1\xbe \xba\xaf\xb0\xe6\xc0\xcf: 2026-12-10");
    const QByteArray project = QByteArrayLiteral("\xb0\xa3\xc6\xed\xc0\xe5\xba\xce quillbook 1.0");
    CallHelperLibrary(dialogs(), QStringLiteral("Credits.dll"), "ShowCredits", [&](void* entry) {
        reinterpret_cast<ShowCreditsEntry>(entry)(changeDate.constData(), project.constData());
    }, true);
}
