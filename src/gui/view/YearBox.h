// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QSpinBox>

// The filter row's year box. Its text is what the filter uses, so an empty
// text is a value of its own (value() == kEmpty, an empty view) and stays
// empty when the focus leaves, instead of jumping back to the last year.
//
// Typed digits are applied (the value changes, with its signals) once the
// text is empty or four digits stand, on Enter, and when the focus leaves;
// a year is never filtered by its first digit. The spin buttons, Up/Down,
// Page Up/Down and the wheel change the value at once.
class YearBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int kEmpty = -1;

    explicit YearBox(QWidget* parent = nullptr);

    // True while a change comes from typing or from the focus leaving: the
    // user is still at the box, or already somewhere else, so the change
    // must not move the keyboard focus.
    bool changeKeepsFocus() const { return keepFocus_; }

    QValidator::State validate(QString& text, int& pos) const override;
    // From an empty box either arrow goes to the current year.
    void stepBy(int steps) override;
    void fixup(QString& text) const override;

signals:
    // Enter was pressed in the box (after its text was applied).
    void entered();

protected:
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyTyped(const QString& text);
    bool keepFocus_ = false;
};
