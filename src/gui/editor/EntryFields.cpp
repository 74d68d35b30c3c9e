// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor/EntryFields.h"

#include "core/text/Cp949.h"
#include "core/editor/EntryEditor.h"
#include "core/ledger/Money.h"
#include "gui/support/KoreanInput.h"
#include "gui/view/FitLabel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <cmath>

Cp949LimitValidator::Cp949LimitValidator(int maxBytes, QObject* parent)
    : QValidator(parent), base_(maxBytes), limit_(maxBytes)
{
}

QValidator::State Cp949LimitValidator::validate(QString& input, int&) const
{
    const quill::FieldTextCheck check = quill::CheckFieldText(input.toStdString(), static_cast<std::size_t>(limit_));
    if (check.fits())
        return Acceptable;
    // The note names the field's own limit, not a longer stored text's.
    refusal_ = QString::fromStdString(quill::FieldRefusalNote(check, static_cast<std::size_t>(base_)));
    return Invalid;
}

void Cp949LimitValidator::allowFor(const QString& text)
{
    std::optional<std::size_t> bytes = quill::cp949Length(text.toStdString());
    limit_ = std::max(base_, bytes ? static_cast<int>(*bytes) : 0);
}

namespace {

bool hasHangul(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F))
            return true;
    }
    return false;
}

// The last syllable an input method handed over, in any panel field. When
// the composition is ended from outside (a click on a button, a message
// box, the focus moving on), Qt commits the syllable being composed itself
// and resets the input method; ibus-hangul and fcitx5-hangul then commit
// the same syllable once more, a moment later, into whichever field has
// the focus by then. Hangul is always composed before it is committed, so
// the same syllable committed again with nothing composed in between is
// that second copy.
struct RecentCommit {
    QString text;
    QElapsedTimer when;
    void forget() { text.clear(); }
};
RecentCommit& recentCommit()
{
    static RecentCommit commit;
    return commit;
}
constexpr qint64 kLateCommitMs = 2000;

} // namespace

LimitedTextEdit::LimitedTextEdit(int maxBytes, QWidget* parent)
    : QLineEdit(parent)
{
    // Made here, not in the member list: making it sends this field an
    // event, and event() looks at the validator.
    validator_ = new Cp949LimitValidator(maxBytes, this);
    setValidator(validator_);
}

void LimitedTextEdit::setProgramText(const QString& text)
{
    stored_ = false;
    validator_->allowFor(text);
    setText(text);
}

void LimitedTextEdit::setStoredText(const std::string& cp949)
{
    const QString text = QString::fromStdString(quill::decodeCp949(cp949));
    setProgramText(text);
    storedBytes_ = cp949;
    storedText_ = text;
    stored_ = true;
}

std::string LimitedTextEdit::cp949() const
{
    if (stored_ && text() == storedText_)
        return storedBytes_;
    if (std::optional<std::string> bytes = quill::encodeCp949(text().toStdString()).bytes)
        return *bytes;
    // Typing refuses what CP949 cannot hold, so only a stored text can get
    // here: keep it rather than nothing.
    return stored_ ? storedBytes_ : std::string();
}

bool LimitedTextEdit::event(QEvent* event)
{
    // Whatever the way a text came (keys, input method, paste by key, menu
    // or mouse, drop), a refusal by the validator is told, not silent.
    // Only the outermost event counts: handling a key sends the field
    // input-method queries of its own.
    if (!validator_ || eventDepth_ > 0) {
        ++eventDepth_;
        const bool handled = QLineEdit::event(event);
        --eventDepth_;
        return handled;
    }
    // A key that reaches the field is typing of its own; a plain letter
    // means the input method is in Latin mode (Hangul letters never come
    // as keys).
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->text().isEmpty()) {
        recentCommit().forget();
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed[0].isLetter() && typed[0].unicode() < 128 &&
            !(static_cast<QKeyEvent*>(event)->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            korean_input::noteLatinTyped();
    }
    validator_->forgetRefusal();
    ++eventDepth_;
    const bool handled = QLineEdit::event(event);
    --eventDepth_;
    if (!validator_->refusal().isEmpty()) {
        const QString note = validator_->refusal();
        validator_->forgetRefusal();
        emit refused(note);
    }
    return handled;
}


void LimitedTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    RecentCommit& recent = recentCommit();
    const QString commit = event->commitString();
    if (!commit.isEmpty() && event->preeditString().isEmpty() && event->replacementLength() == 0 &&
        composing_.isEmpty() && commit == recent.text && recent.when.isValid() &&
        recent.when.elapsed() < kLateCommitMs && hasHangul(commit)) {
        recent.forget();
        event->accept();
        return;
    }
    if (!event->preeditString().isEmpty())
        recent.forget();  // a new syllable: what comes after it is new typing
    else if (!commit.isEmpty()) {
        recent.text = commit;
        recent.when.start();
    }
    // A syllable being composed proves Hangul mode; a commit alone does not
    // (the input method finishes the syllable also when Esc switches it to
    // Latin letters).
    if (hasHangul(event->preeditString()))
        korean_input::noteHangulTyped();
    composing_ = event->preeditString();
    QLineEdit::inputMethodEvent(event);
}

void LimitedTextEdit::commitComposition()
{
    if (composing_.isEmpty())
        return;
    QInputMethodEvent commit;
    commit.setCommitString(composing_);
    QCoreApplication::sendEvent(this, &commit);
    composing_.clear();
}

bool LimitedTextEdit::insertChecked(const QString& text)
{
    QString after = this->text();
    const int from = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    after.replace(from, length, text);
    const quill::FieldTextCheck check =
        quill::CheckFieldText(after.toStdString(), static_cast<std::size_t>(validator_->maxBytes()));
    if (!check.fits()) {
        emit refused(QString::fromStdString(quill::FieldRefusalNote(check, static_cast<std::size_t>(maxBytes()))));
        return false;
    }
    insert(text);
    return true;
}

// ----------------------------------------------------------------------------

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent)
{
    setInputMask("0000.00.00;_");
}

QString DateEdit::dateText() const
{
    QString s = displayText();
    s.replace(QLatin1Char('_'), QLatin1Char(' '));
    return s;
}

void DateEdit::setDateText(const QString& text)
{
    // Place digit by digit so that a blank or any other character leaves its
    // place empty instead of shifting the rest.
    static const int places[] = {0, 1, 2, 3, 5, 6, 8, 9};
    QString shown = QStringLiteral("____.__.__");
    for (int p : places)
        if (p < text.size() && text[p].isDigit() && text[p].unicode() < 128)
            shown[p] = text[p];
    setText(shown);
}

// ----------------------------------------------------------------------------

MoneyEdit::MoneyEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,16}")), this));
    connect(this, &QLineEdit::textEdited, this, &MoneyEdit::edited);
    connect(this, &QLineEdit::textChanged, this, &MoneyEdit::fitText);
    showValue();
}

void MoneyEdit::fitText()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    // The field keeps two pixels each side of its text and one for the caret.
    const int room = contents.width() - margins.left() - margins.right() - 2 * 2 - 1;
    const QFont base = parentWidget() ? parentWidget()->font() : QApplication::font();
    // The largest amounts need a very small font in these narrow fields;
    // small digits are still better than missing ones.
    const QFont fitted = FittedFont(base, text(), room, 3);
    if (fitted != font())
        setFont(fitted);
    // A text that fits shows from its start: nothing stays scrolled away.
    if (!hasFocus())
        setCursorPosition(0);
}

void MoneyEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    fitText();
}

void MoneyEdit::setValue(double value)
{
    blank_ = false;
    const bool changed = value != value_;
    value_ = value;
    showValue();
    if (changed)
        emit valueChanged(value_);
}

void MoneyEdit::showValue()
{
    QString text;
    if (!blank_) {
        if (hasFocus() && !isReadOnly())
            text = QString::number(static_cast<qlonglong>(std::llround(value_)));
        else
            text = QString::fromStdString(quill::groupedWon(quill::toWideTenThousandths(value_)));
    }
    accepted_ = text;
    setText(text);
}

void MoneyEdit::edited(const QString& text)
{
    double v = 0;
    bool blank = text.isEmpty() || text == QLatin1String("-");
    if (!blank)
        v = text.toDouble();
    if (!quill::AmountFits(v)) {
        const int pos = std::min(cursorPosition(), static_cast<int>(accepted_.size()));
        setText(accepted_);
        setCursorPosition(pos);
        emit refused();
        return;
    }
    accepted_ = text;
    blank_ = blank;
    if (v != value_) {
        value_ = v;
        emit valueChanged(value_);
    }
}

void MoneyEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (!isReadOnly() && !blank_) {
        showValue();
        selectAll();
    }
}

void MoneyEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (!blank_)
        showValue();
}

void MoneyEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

// ----------------------------------------------------------------------------

RemarkBox::RemarkBox(int maxBytes, QWidget* parent) : LimitedTextEdit(maxBytes, parent)
{
    for (const char* item : quill::kRemarkItems)
        items_.append(QString::fromUtf8(item));
}

void RemarkBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
        int i = static_cast<int>(items_.indexOf(text()));
        if (i < 0)
            i = 0;
        else if (event->key() == Qt::Key_Down)
            i = std::min(i + 1, static_cast<int>(items_.size()) - 1);
        else
            i = std::max(i - 1, 0);
        setText(items_[i]);
        selectAll();
        return;
    }
    LimitedTextEdit::keyPressEvent(event);
}
