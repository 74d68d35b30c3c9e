// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/support/AccessibleRoles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

// A combo box that carries a name: announced as "구분", its value the
// chosen item; it opens its list as Qt's own does.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* box = static_cast<const QComboBox*>(widget());
        switch (t) {
        case QAccessible::Name:
            return box->accessibleName();
        case QAccessible::Value:
            return box->isEditable() && box->lineEdit() ? box->lineEdit()->text() : box->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        auto* box = static_cast<QComboBox*>(widget());
        if (action == showMenuAction() || action == pressAction())
            box->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

// A read-only field (the entry's total): its text is read as any field's,
// but it does not claim to be editable as Qt's own line edit does.
class ReadOnlyField : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyField(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.editable = false;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return edit()->text();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface: the field's text, nothing selectable.
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override
    {
        return edit()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* ourRoles(const QString& key, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // The keys come most derived class first: "Tmainf" before "QWidget".
    if (key == QLatin1String("Tmainf"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (key == QLatin1String("QComboBox") && !widget->accessibleName().isEmpty())
        return new NamedComboBox(static_cast<QComboBox*>(widget));
    if (key == QLatin1String("QLineEdit") && static_cast<QLineEdit*>(widget)->isReadOnly() &&
        !qobject_cast<QComboBox*>(widget->parentWidget()))
        return new ReadOnlyField(static_cast<QLineEdit*>(widget));
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(ourRoles);
        return true;
    }();
    (void)installed;
}

void nameComboBox(QComboBox* box, const QString& name)
{
    installAccessibleRoles();
    box->setAccessibleName(name);
    if (box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
    refreshAccessibleInterface(box);
}

void refreshAccessibleInterface(QWidget* widget)
{
    installAccessibleRoles();
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
