// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/view/MonthBox.h"

#include <QKeyEvent>
#include <QLineEdit>

MonthBox::MonthBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    addItem(QStringLiteral("1년"));
    for (int m = 1; m <= 12; ++m)
        addItem(QStringLiteral("%1").arg(m, 2, 10, QLatin1Char('0')));
    applied_ = currentText();
    // A pick, an arrow key or the wheel; also the box's own match of a
    // typed text when it loses the focus, already applied by then.
    connect(this, &QComboBox::activated, this, [this] {
        if (currentText() != applied_)
            apply(false);
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty() || text.size() >= 2)
            apply(true);
    });
}

void MonthBox::apply(bool keepFocus)
{
    markApplied();
    emit monthApplied(keepFocus);
}

void MonthBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QComboBox::keyPressEvent(event);
    if (enter)
        apply(false);
}

void MonthBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (currentText() != applied_)
        apply(true);
}
