// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/view/YearBox.h"

#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace {

bool allDigits(const QString& text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

YearBox::YearBox(QWidget* parent) : QSpinBox(parent)
{
    setRange(kEmpty, 9999);
    // Typed text is applied by applyTyped(), Enter and the focus leaving,
    // not by every keystroke.
    setKeyboardTracking(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, &YearBox::applyTyped);
}

void YearBox::applyTyped(const QString& text)
{
    if (!text.isEmpty() && text.size() < 4)
        return;
    const QScopedValueRollback keep(keepFocus_, true);
    interpretText();
}

QValidator::State YearBox::validate(QString& text, int&) const
{
    if (text.size() > 4 || !allDigits(text))
        return QValidator::Invalid;
    return QValidator::Acceptable;
}

void YearBox::fixup(QString&) const {}

int YearBox::valueFromText(const QString& text) const
{
    return text.isEmpty() ? kEmpty : text.toInt();
}

QString YearBox::textFromValue(int value) const
{
    return value == kEmpty ? QString() : QString::number(value);
}

void YearBox::stepBy(int steps)
{
    if (lineEdit()->text().isEmpty()) {
        setValue(QDate::currentDate().year());
        selectAll();
        return;
    }
    QSpinBox::stepBy(steps);
}

QAbstractSpinBox::StepEnabled YearBox::stepEnabled() const
{
    // Stepping down never empties the box.
    StepEnabled steps = StepUpEnabled | StepDownEnabled;
    if (lineEdit()->text().isEmpty())
        return steps;
    if (value() <= 0)
        steps &= ~StepDownEnabled;
    if (value() >= maximum())
        steps &= ~StepUpEnabled;
    return steps;
}

void YearBox::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QSpinBox::keyPressEvent(event);
    if (enter)
        emit entered();
}

void YearBox::focusOutEvent(QFocusEvent* event)
{
    const QScopedValueRollback keep(keepFocus_, true);
    QSpinBox::focusOutEvent(event);
}
