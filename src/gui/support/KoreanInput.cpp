// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/KoreanInput.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QWidget>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

#include <cstdint>

namespace korean_input {
namespace {

enum class Mode { Unknown, Hangul, Latin };
Mode ibusMode = Mode::Unknown;

constexpr int kCallMs = 300;

// The ibus bus: $IBUS_ADDRESS, else the newest address file ibus wrote for
// this display.
QString ibusAddress()
{
    const QByteArray fromEnv = qgetenv("IBUS_ADDRESS");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    const int colon = static_cast<int>(display.lastIndexOf(QLatin1Char(':')));
    if (colon < 0)
        return {};
    display = display.mid(colon + 1).section(QLatin1Char('.'), 0, 0);
    const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/ibus/bus"));
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*-") + display}, QDir::Files, QDir::Time);
    for (const QFileInfo& info : files) {
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        while (!f.atEnd()) {
            const QByteArray line = f.readLine().trimmed();
            if (line.startsWith("IBUS_ADDRESS="))
                return QString::fromLocal8Bit(line.mid(13));
        }
    }
    return {};
}

bool fcitxPrefer()
{
    // Only a session bus that is there: asking for one would make libdbus
    // start one of its own.
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus"))))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QStringLiteral("org.fcitx.Fcitx5")).value())
        return false;
    // Activate: from the plain keyboard to the group's input method
    // (fcitx5-hangul); nothing when it is active already.
    bus.asyncCall(QDBusMessage::createMethodCall(QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
                                                 QStringLiteral("org.fcitx.Fcitx.Controller1"),
                                                 QStringLiteral("Activate")));
    return true;
}

void ibusPrefer()
{
    if (ibusMode != Mode::Latin)
        return;
    const QString address = ibusAddress();
    if (address.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("quillbook-ibus"));
    if (!bus.isConnected())
        return;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.IBus"), QStringLiteral("/org/freedesktop/IBus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.freedesktop.IBus") << QStringLiteral("CurrentInputContext");
    const QDBusMessage reply = bus.call(ask, QDBus::Block, kCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    const QDBusObjectPath context =
        qvariant_cast<QDBusObjectPath>(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant());
    if (context.path().isEmpty() || context.path() == QLatin1String("/"))
        return;
    // ibus-hangul toggles between Latin and Hangul on this property.
    QDBusMessage toggle = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.IBus"), context.path(), QStringLiteral("org.freedesktop.IBus.InputContext"),
        QStringLiteral("PropertyActivate"));
    toggle << QStringLiteral("InputMode") << 1u;
    // Not waited for: ibus answers only once the engine is done, which
    // may need this program's own input method connection to run.
    bus.send(toggle);
    ibusMode = Mode::Hangul;
}

// The X key code of Esc (evdev and every X server of today).
constexpr std::uint8_t kEscapeKeycode = 9;
constexpr std::uint8_t kXKeyPress = 2;

class EscapeWatch : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type == "xcb_generic_event_t" && message) {
            const auto* bytes = static_cast<const std::uint8_t*>(message);
            // Only an Esc typed into a text field reaches the input method
            // (one on a message box's button does not).
            QWidget* focus = QApplication::focusWidget();
            if ((bytes[0] & 0x7f) == kXKeyPress && bytes[1] == kEscapeKeycode && ibusMode == Mode::Hangul &&
                focus && focus->testAttribute(Qt::WA_InputMethodEnabled) && !focus->window()->isModal())
                ibusMode = Mode::Latin;
        }
        return false;
    }
};

} // namespace

void prefer()
{
    // No input method serves a display that is not there (tests, servers).
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    if (!fcitxPrefer())
        ibusPrefer();
}

void noteHangulTyped() { ibusMode = Mode::Hangul; }

void noteLatinTyped() { ibusMode = Mode::Latin; }

void watchKeys()
{
    static EscapeWatch watch;
    static bool installed = false;
    if (QCoreApplication* app = QCoreApplication::instance(); app && !installed) {
        app->installNativeEventFilter(&watch);
        installed = true;
    }
}

} // namespace korean_input
