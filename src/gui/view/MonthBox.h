// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QComboBox>

// The filter row's month box: "1년" and "01" to "12", and any text typed.
//
// Typed text is applied (monthApplied) once the box is empty or two
// characters stand, on Enter, and when the focus leaves; a month is never
// filtered by its first digit, so "11" can be typed. A pick from the list,
// the arrow keys and the wheel apply at once.
class MonthBox : public QComboBox {
    Q_OBJECT
public:
    explicit MonthBox(QWidget* parent = nullptr);
    // The text shown is the one the filter uses now (the program applied it).
    void markApplied() { applied_ = currentText(); }

signals:
    // The month to filter by changed. `keepFocus` is true when it came from
    // typing or from the focus leaving: the user is still at the box, or
    // already somewhere else, so the change must not move the focus.
    void monthApplied(bool keepFocus);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void apply(bool keepFocus);
    QString applied_;  // the text last applied
};
