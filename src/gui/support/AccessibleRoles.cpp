// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AccessibleRoles.h"

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
