#pragma once
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

private:
    int base_;
    int limit_;
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

private:
    Cp949LimitValidator* validator_;
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

private:
    void edited(const QString& text);
    void showValue();

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
