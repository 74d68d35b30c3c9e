// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window's controls as a screen reader meets them: Qt's accessibility
// tree, which the desktop's AT-SPI bridge reads, walked from any top-level
// widget (the main window, a dialog, a helper library's window).
// Header-only.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

struct AccessibleNode {
    QString path;  // "mainf/mColBar/CmGbn"
    QAccessible::Role role;
    QString name;
    QAccessible::State state;
};

inline QString accessiblePathPart(QAccessibleInterface* a)
{
    QObject* o = a->object();
    if (!o)
        return QStringLiteral("?");
    return o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
}

// Depth first; invisible parts are left out, and so are the cells of
// tables and lists (their texts are the data's, not names of controls).
inline void walkAccessible(QAccessibleInterface* a, const QString& parentPath, QList<AccessibleNode>& out, int depth = 0)
{
    if (!a || !a->isValid() || depth > 40 || a->state().invisible)
        return;
    const QString path = parentPath.isEmpty() ? accessiblePathPart(a) : parentPath + QLatin1Char('/') + accessiblePathPart(a);
    out.append({path, a->role(), a->text(QAccessible::Name), a->state()});
    switch (a->role()) {
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTabList:
        return;
    default:
        break;
    }
    for (int i = 0; i < a->childCount(); ++i)
        walkAccessible(a->child(i), path, out, depth + 1);
}

inline QList<AccessibleNode> accessibleTree(QWidget* top)
{
    QList<AccessibleNode> nodes;
    walkAccessible(QAccessible::queryAccessibleInterface(top), QString(), nodes);
    return nodes;
}

// Every control the keyboard can reach under `top` that has no name, as
// "path [role]".
inline QStringList unnamedFocusableControls(QWidget* top)
{
    QStringList unnamed;
    for (const AccessibleNode& n : accessibleTree(top))
        if (n.state.focusable && n.name.trimmed().isEmpty())
            unnamed << QStringLiteral("%1 [%2]").arg(n.path).arg(int(n.role));
    return unnamed;
}

// Runs `open`, which shows a window (a modal one returns only when it is
// closed), and hands that window to `inspect` once shown; then closes it.
// False when no new window came up within a few seconds.
inline bool inspectNextWindow(const std::function<void()>& open, const std::function<void(QWidget*)>& inspect)
{
    QSet<QWidget*> before;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            before.insert(w);
    bool seen = false;
    auto look = [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || before.contains(w) || (w->windowFlags() & Qt::Popup) == Qt::Popup)
                continue;
            seen = true;
            inspect(w);
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            else
                w->close();
            return true;
        }
        return false;
    };
    QTimer poll;
    poll.setInterval(50);
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (seen || ++ticks > 100 || look())
            poll.stop();
    });
    poll.start();
    open();
    // A window that does not block its caller comes up afterwards.
    QTest::qWaitFor([&] { return seen || ticks > 100; }, 6000);
    poll.stop();
    return seen;
}
