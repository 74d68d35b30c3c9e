// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QLineEdit>
#include <QValidator>

#include <string>

// Input fields of the entry panel.

// Refuses text longer than a number of CP949 bytes, and any character CP949
// cannot hold, while it is typed or pasted. A longer text the program puts
// in (a row read from a file) may be shortened but not lengthened.
class Cp949LimitValidator : public QValidator {
    Q_OBJECT
public:
    Cp949LimitValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;
    // The limit for the text just set by the program.
    void allowFor(const QString& text);
    int maxBytes() const { return limit_; }
    // The field's own limit, whatever text the program put in.
    int baseBytes() const { return base_; }
    // The note of the last refusal since forgetRefusal() (empty if none).
    const QString& refusal() const { return refusal_; }
    void forgetRefusal() { refusal_.clear(); }

private:
    int base_;
    int limit_;
    mutable QString refusal_;
};

// A text field with a CP949 byte limit.
class LimitedTextEdit : public QLineEdit {
    Q_OBJECT
public:
    LimitedTextEdit(int maxBytes, QWidget* parent);
    // Sets the text from the program, whatever its length.
    void setProgramText(const QString& text);
    // Sets the text of a stored entry from its bytes. Until the text is
    // edited, cp949() gives exactly these bytes back, also those CP949
    // cannot decode (a text cut inside a syllable shows "�"), so changing
    // another field of the entry never alters this one.
    void setStoredText(const std::string& cp949);
    // The text as CP949 bytes.
    std::string cp949() const;
    // Inserts at the caret as a paste does: a text the field cannot take is
    // refused whole, with the note. False when refused.
    bool insertChecked(const QString& text);
    // Hands over the syllable the input method is still composing as typed
    // text (under the field's limits), so that a command reading the field
    // does not lose it.
    void commitComposition();
    bool isComposing() const { return !composing_.isEmpty(); }
    int maxBytes() const { return validator_->baseBytes(); }

signals:
    // A typed, pasted or composed text was refused; `note` says why.
    void refused(const QString& note);

protected:
    bool event(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    Cp949LimitValidator* validator_ = nullptr;
    QString composing_;  // the input method's preedit text
    int eventDepth_ = 0;
    std::string storedBytes_;
    QString storedText_;
    bool stored_ = false;
};

// The masked date field "9999.99.99": "_" is shown for an empty digit place,
// and the text read back has a blank there.
class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent);
    QString dateText() const;
    void setDateText(const QString& text);
};

// An amount in whole won: grouped digits ("1,234,567") while the field is
// not being typed in, plain digits while it has the focus. Amounts the
// ledger file cannot hold are refused as they are typed.
class MoneyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MoneyEdit(QWidget* parent);
    double value() const { return value_; }
    void setValue(double value);
    // True when the field's text is empty (the value then counts as 0).
    bool isBlank() const { return blank_; }

signals:
    void valueChanged(double value);
    void refused();        // an amount too large was typed and taken back
    void doubleClicked();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void edited(const QString& text);
    void showValue();
    // Draws a text wider than the field in a smaller font, so that no
    // digit of a large amount is ever scrolled out of view.
    void fitText();

    double value_ = 0;
    bool blank_ = false;
    QString accepted_;  // the last text typed that was taken
};

// The remark box: a text field whose items the arrow keys step through.
class RemarkBox : public LimitedTextEdit {
    Q_OBJECT
public:
    RemarkBox(int maxBytes, QWidget* parent);
    const QStringList& items() const { return items_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList items_;
};
