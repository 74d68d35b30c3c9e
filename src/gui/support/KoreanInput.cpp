// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/KoreanInput.h"

#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QToolButton>
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

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korean_input {
namespace {

Mode ibusMode = Mode::Unknown;
bool fcitxServes = false;
// A toggle sent since Latin was last seen: never a second one on a guess.
bool toggleSent = false;

const char* const kAskProperty = "quillKoreanOnEntry";
const char* const kMarkName = "quillLatinMark";

std::vector<QPointer<QLineEdit>>& fields()
{
    static std::vector<QPointer<QLineEdit>> all;
    return all;
}

QAction* markOf(const QLineEdit* field)
{
    for (QAction* a : field->actions())
        if (a->objectName() == QLatin1String(kMarkName))
            return a;
    return nullptr;
}

// "A" in a small frame, as wide as the field is high.
QIcon latinIcon(const QLineEdit* field)
{
    const int side = qMax(12, field->fontMetrics().height());
    const qreal ratio = field->devicePixelRatioF();
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(160, 0, 0));
    painter.drawRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), 2, 2);
    QFont font = field->font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("A"));
    return QIcon(pixmap);
}

// The button the line edit shows the mark on: Qt does not hide it with its
// action, so it is shown and hidden itself.
QToolButton* markButtonOf(const QLineEdit* field, const QAction* mark)
{
    for (QToolButton* b : field->findChildren<QToolButton*>())
        if (b->defaultAction() == mark)
            return b;
    return nullptr;
}

// The mark shows where the program cannot switch the input method itself.
void updateMarks()
{
    auto& all = fields();
    all.erase(std::remove_if(all.begin(), all.end(), [](const QPointer<QLineEdit>& f) { return f.isNull(); }),
              all.end());
    for (const QPointer<QLineEdit>& f : all)
        if (QAction* mark = markOf(f)) {
            const bool shown = ibusMode == Mode::Latin && !fcitxServes && f->hasFocus();
            mark->setVisible(shown);
            if (QToolButton* button = markButtonOf(f, mark))
                button->setVisible(shown);
        }
}

void setMode(Mode mode)
{
    if (ibusMode == mode)
        return;
    ibusMode = mode;
    updateMarks();
}

bool hasHangul(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x3131 && u <= 0x318E) || (u >= 0x1100 && u <= 0x11FF))
            return true;
    }
    return false;
}

// Asks for Korean when a field gets the focus, and follows the mode from
// what is typed into it.
class EntryWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            prefer();
            updateMarks();
            break;
        case QEvent::FocusOut:
            updateMarks();
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString typed = key->text();
            if (typed.size() == 1 && typed[0].isLetter() && typed[0].unicode() < 128 &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                noteLatinTyped();
            break;
        }
        case QEvent::InputMethod:
            if (hasHangul(static_cast<QInputMethodEvent*>(event)->preeditString()))
                noteHangulTyped();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

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
    fcitxServes = true;
    return true;
}

void ibusPrefer()
{
    if (ibusMode != Mode::Latin || toggleSent)
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
    // may need this program's own input method connection to run. Today's
    // ibus refuses it (the context is not this connection's), so the mode
    // stays Latin until Hangul is seen and the field keeps its mark.
    bus.send(toggle);
    toggleSent = true;
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
                noteLatinTyped();
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

void noteHangulTyped() { setMode(Mode::Hangul); }

void noteLatinTyped()
{
    toggleSent = false;
    setMode(Mode::Latin);
}

Mode knownMode() { return ibusMode; }

void askOnEntry(QLineEdit* field)
{
    if (!field || asksOnEntry(field))
        return;
    // One watcher for every field, made anew should the application be.
    static QPointer<EntryWatch> watch;
    if (!watch)
        watch = new EntryWatch(QCoreApplication::instance());
    field->setProperty(kAskProperty, true);
    field->installEventFilter(watch);
    auto* mark = new QAction(latinIcon(field), QString(), field);
    mark->setObjectName(QString::fromLatin1(kMarkName));
    mark->setToolTip(QStringLiteral("영문 입력 상태입니다. 한/영 키를 누르면 한글이 입력됩니다."));
    mark->setVisible(false);
    field->addAction(mark, QLineEdit::TrailingPosition);
    fields().push_back(field);
    updateMarks();
}

bool asksOnEntry(const QLineEdit* field) { return field && field->property(kAskProperty).toBool(); }

bool showsLatinMark(const QLineEdit* field)
{
    const QAction* mark = field ? markOf(field) : nullptr;
    const QToolButton* button = mark ? markButtonOf(field, mark) : nullptr;
    return mark && mark->isVisible() && button && !button->isHidden();
}

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
