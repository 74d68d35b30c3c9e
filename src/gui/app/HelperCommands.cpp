// Help, downloads, home page and about box: each hands its work to one of
// our own helper libraries, loaded only for the moment of the call.
#include "app/MainWindow.h"
#include "app/UserDialogs.h"
#include "support/HelperLibrary.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include <cstdint>

namespace {
const QString kSite = QStringLiteral("https://quillbook.tallyhub.kr");

using OpenPaneEntry = void (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, const char*);
using ShowCreditsEntry = void (*)(const char*, const char*);

void OpenPage(UserDialogs& dialogs, int top, int left, int height, int width, const QString& path)
{
    const QByteArray url = (kSite + path).toUtf8();
    CallHelperLibrary(dialogs, QStringLiteral("PagePane.dll"), "OpenPane", [&](void* entry) {
        reinterpret_cast<OpenPaneEntry>(entry)(top, left, height, width, url.constData());
    });
}
} // namespace

void Tmainf::HelpBtnClick()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    OpenPage(dialogs(), 0, screen.width() - 660, screen.height() - 10, 657,
             QStringLiteral("/help/tallyhub/quillbook.htm"));
}

void Tmainf::dDTZIPClick()
{
    const QRect outer = frameGeometry();
    OpenPage(dialogs(), outer.top() + 85, outer.left() + outer.width() - 580, 580, 560,
             QStringLiteral("/soft.htm"));
}

void Tmainf::DgaBtnClick()
{
    // A failure to start the browser is not reported.
    QDesktopServices::openUrl(QUrl(kSite + QLatin1Char('/')));
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
