// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor/EntryPanel.h"

#include "core/text/Cp949.h"
#include "core/text/TextHelpers.h"
#include "core/ledger/LedgerEntry.h"
#include "gui/app/UserDialogs.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/SpecialChar.h"
#include "gui/support/KoreanInput.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace {

// The date field's text: digits and dots only, which CP949 holds as they
// are. Should anything else reach here it is kept as it came, for the
// date check to refuse, rather than becoming an empty date (which means
// "no date").
std::string dateBytes(const QString& text)
{
    const std::string utf8 = text.toStdString();
    return quill::encodeCp949(utf8).bytes.value_or(utf8);
}

QString fromCp949(const std::string& bytes)
{
    return QString::fromStdString(quill::decodeCp949(bytes));
}

QLabel* label(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

EntryPanel::EntryPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("TpPnl3"));
    setFrameShape(QFrame::NoFrame);
    QPalette pal = palette();
    pal.setColor(QPalette::Text, QColor(0, 0, 64));
    setPalette(pal);

    label(this, QStringLiteral("날짜"), 12, 11);
    IDAYEdt = new DateEdit(this);
    IDAYEdt->setObjectName(QStringLiteral("IDAYEdt"));
    IDAYEdt->setGeometry(40, 8, 63, 18);

    label(this, QStringLiteral("거래내용"), 129, 11);
    JKYUEdt = new LimitedTextEdit(static_cast<int>(quill::kJkyuInputBytes), this);
    JKYUEdt->setObjectName(QStringLiteral("JKYUEdt"));
    JKYUEdt->setGeometry(179, 8, 254, 18);

    label(this, QStringLiteral("거래처"), 461, 11);
    SANGHOEdt = new LimitedTextEdit(static_cast<int>(quill::kSanghoInputBytes), this);
    SANGHOEdt->setObjectName(QStringLiteral("SANGHOEdt"));
    SANGHOEdt->setGeometry(501, 8, 194, 18);

    GbnPanl = new QFrame(this);
    GbnPanl->setObjectName(QStringLiteral("GbnPanl"));
    GbnPanl->setFrameShape(QFrame::Panel);
    GbnPanl->setFrameShadow(QFrame::Sunken);
    GbnPanl->setGeometry(9, 33, 146, 26);
    auto categoryText = [](quill::Category c) { return QString::fromUtf8(quill::categoryName(c)); };
    RadioA = new QRadioButton(categoryText(quill::Category::Income), GbnPanl);
    RadioB = new QRadioButton(categoryText(quill::Category::Expense), GbnPanl);
    RadioC = new QRadioButton(categoryText(quill::Category::Asset), GbnPanl);
    RadioA->setObjectName(QStringLiteral("RadioA"));
    RadioB->setObjectName(QStringLiteral("RadioB"));
    RadioC->setObjectName(QStringLiteral("RadioC"));
    RadioA->setGeometry(3, 5, 44, 17);
    RadioB->setGeometry(48, 5, 44, 17);
    RadioC->setGeometry(95, 5, 44, 17);
    category_ = new QButtonGroup(this);
    category_->addButton(RadioA, static_cast<int>(quill::Category::Income));
    category_->addButton(RadioB, static_cast<int>(quill::Category::Expense));
    category_->addButton(RadioC, static_cast<int>(quill::Category::Asset));

    const QColor moneyBack(254, 255, 244);
    auto money = [&](const char* name, int x, int w) {
        auto* e = new MoneyEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(x, 37, w, 18);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, moneyBack);
        e->setPalette(p);
        return e;
    };
    label(this, QStringLiteral("금액"), 172, 40);
    mTmnyEdt = money("mTmnyEdt", 199, 70);
    label(this, QStringLiteral("부가세"), 285, 40);
    mTvatEdt = money("mTvatEdt", 324, 60);
    label(this, QStringLiteral("계"), 408, 40);
    mTotmy = money("mTotmy", 423, 70);
    mTotmy->setReadOnly(true);

    label(this, QStringLiteral("비고"), 515, 40);
    EtcCmb = new RemarkBox(static_cast<int>(quill::kEtcInputBytes), this);
    EtcCmb->setObjectName(QStringLiteral("EtcCmb"));
    EtcCmb->setGeometry(545, 37, 61, 20);

    mOk = new QToolButton(this);
    mOk->setObjectName(QStringLiteral("mOk"));
    mOk->setText(QStringLiteral("확인"));
    mOk->setGeometry(614, 36, 47, 20);
    mVoide = new QToolButton(this);
    mVoide->setObjectName(QStringLiteral("mVoide"));
    mVoide->setText(QStringLiteral("취소"));
    mVoide->setGeometry(662, 36, 47, 20);
    for (QToolButton* b : {mOk, mVoide})
        b->setFocusPolicy(Qt::NoFocus);
    connect(mOk, &QToolButton::clicked, this, &EntryPanel::confirmRequested);
    connect(mVoide, &QToolButton::clicked, this, &EntryPanel::cancelRequested);
    setButtonsActive(false);

    setTabOrder(IDAYEdt, JKYUEdt);
    setTabOrder(JKYUEdt, SANGHOEdt);
    setTabOrder(SANGHOEdt, RadioA);
    setTabOrder(RadioA, RadioB);
    setTabOrder(RadioB, RadioC);
    setTabOrder(RadioC, mTmnyEdt);
    setTabOrder(mTmnyEdt, mTvatEdt);
    setTabOrder(mTvatEdt, mTotmy);
    setTabOrder(mTotmy, EtcCmb);

    for (QWidget* w : std::initializer_list<QWidget*>{IDAYEdt, JKYUEdt, SANGHOEdt, RadioA, RadioB, RadioC, mTmnyEdt,
                                                      mTvatEdt, mTotmy, EtcCmb})
        w->installEventFilter(this);

    // Each caption is its field's buddy, and each field has the name a
    // screen reader announces.
    const struct {
        QWidget* field;
        const char* caption;
        const char* name;
    } named[] = {{IDAYEdt, "날짜", "거래일자"}, {JKYUEdt, "거래내용", "거래내용"}, {SANGHOEdt, "거래처", "거래처"},
                 {mTmnyEdt, "금액", "금액"},      {mTvatEdt, "부가세", "부가세"},     {mTotmy, "계", "계"},
                 {EtcCmb, "비고", "비고"}};
    const QList<QLabel*> captions = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (const auto& n : named) {
        n.field->setAccessibleName(QString::fromUtf8(n.name));
        for (QLabel* caption : captions)
            if (caption->text() == QString::fromUtf8(n.caption))
                caption->setBuddy(n.field);
    }
    GbnPanl->setAccessibleName(QStringLiteral("구분"));

    connect(mTmnyEdt, &MoneyEdit::valueChanged, this, &EntryPanel::updateTotal);
    connect(mTvatEdt, &MoneyEdit::valueChanged, this, &EntryPanel::updateTotal);
    connect(mTmnyEdt, &MoneyEdit::doubleClicked, this, &EntryPanel::splitVat);
    for (MoneyEdit* e : {mTmnyEdt, mTvatEdt})
        connect(e, &MoneyEdit::refused, this,
                [this] { showInfo(QString::fromUtf8(quill::kAmountTooLargeMessage)); });

    for (LimitedTextEdit* e : {JKYUEdt, SANGHOEdt, static_cast<LimitedTextEdit*>(EtcCmb)})
        connect(e, &LimitedTextEdit::refused, this, [this, e](const QString& note) { showNote(e, note); });

    resize(802, 67);
    setEnabled(false);
    korean_input::watchKeys();
    // Descriptions and counterparties are Korean: the input method follows,
    // whatever an Esc before (ibus-hangul's off-key) left it in. The date
    // and the amounts keep whatever it is.
    korean_input::askOnEntry(JKYUEdt);
    korean_input::askOnEntry(SANGHOEdt);
    fitDateField();
}

void EntryPanel::fitDateField()
{
    // The stand-in fonts draw digits wider than the fonts the layout was
    // made for: widen the date field into the gap before the next label so
    // that a whole date is always seen, never scrolled.
    constexpr int kLayoutWidth = 63;
    constexpr int kRoomWidth = 84;
    const int needed = IDAYEdt->fontMetrics().horizontalAdvance(QStringLiteral("0000.00.00")) + 10;
    IDAYEdt->resize(qBound(kLayoutWidth, needed, kRoomWidth), IDAYEdt->height());

    // The remark box likewise, for a full remark of six syllables; the
    // confirm and cancel buttons move right by as much, into the room the
    // panel has to spare.
    constexpr int kRemarkLeft = 545, kRemarkWidth = 61, kOkLeft = 614, kCancelLeft = 662, kCancelRight = 709;
    const int kRoomRight = qMax(4, width() - kCancelRight);
    const int remark = EtcCmb->fontMetrics().horizontalAdvance(QStringLiteral("한국전력공사")) + 12;
    const int gain = qBound(0, remark - kRemarkWidth, kRoomRight - 4);
    EtcCmb->setGeometry(kRemarkLeft, EtcCmb->y(), kRemarkWidth + gain, EtcCmb->height());
    mOk->move(kOkLeft + gain, mOk->y());
    mVoide->move(kCancelLeft + gain, mVoide->y());
}

void EntryPanel::commitComposition()
{
    // A real input method hands over its own preedit text; the fields then
    // hold nothing composing any more and add nothing themselves.
    QWidget* focus = QApplication::focusWidget();
    if (focus && isAncestorOf(focus))
        QGuiApplication::inputMethod()->commit();
    for (LimitedTextEdit* e : {JKYUEdt, SANGHOEdt, static_cast<LimitedTextEdit*>(EtcCmb)})
        e->commitComposition();
}

void EntryPanel::markOpened() { opened_ = input(); }

bool EntryPanel::holdsInput() const { return mode_ != quill::EditorMode::Idle && input() != opened_; }

QString EntryPanel::noteText() const { return note_ && note_->isVisible() ? note_->text() : QString(); }

void EntryPanel::showNote(QWidget* field, const QString& text)
{
    QWidget* top = window();
    if (!note_ || note_->parentWidget() != top) {
        delete note_;
        note_ = new QLabel(top);
        note_->setObjectName(QStringLiteral("entryNote"));
        note_->setAutoFillBackground(true);
        note_->setFrameShape(QFrame::Box);
        note_->setMargin(2);
        QPalette p = note_->palette();
        p.setColor(QPalette::Window, QColor(255, 255, 225));
        p.setColor(QPalette::WindowText, QColor(160, 0, 0));
        note_->setPalette(p);
        note_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    note_->setText(text);
    note_->adjustSize();
    // Just below the field, or above it when the window ends there.
    QPoint at = field->mapTo(top, QPoint(0, field->height() + 1));
    if (at.y() + note_->height() > top->height())
        at.setY(field->mapTo(top, QPoint(0, 0)).y() - note_->height() - 1);
    at.setX(qBound(0, at.x(), qMax(0, top->width() - note_->width())));
    note_->move(at);
    note_->raise();
    note_->show();
    // The program's short tone.
    if (dialogs_)
        dialogs_->tone(750, 25);
}

void EntryPanel::hideNote()
{
    if (note_)
        note_->hide();
}

void EntryPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fitDateField();
}

void EntryPanel::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitDateField();
}

quill::EntryInput EntryPanel::input() const
{
    quill::EntryInput in;
    in.IDAY = dateBytes(IDAYEdt->dateText());
    in.JKYU = JKYUEdt->cp949();
    in.SANGHO = SANGHOEdt->cp949();
    in.category = category();
    in.amount = mTmnyEdt->value();
    in.vat = mTvatEdt->value();
    in.ETC = EtcCmb->cp949();
    return in;
}

void EntryPanel::showInput(const quill::EntryInput& input)
{
    IDAYEdt->setDateText(fromCp949(input.IDAY));
    JKYUEdt->setStoredText(input.JKYU);
    SANGHOEdt->setStoredText(input.SANGHO);
    if (input.category != quill::Category::None)
        setCategory(input.category);
    mTmnyEdt->setValue(input.amount);
    mTvatEdt->setValue(input.vat);
    EtcCmb->setStoredText(input.ETC);
}

void EntryPanel::clearForAdding(const QString& date)
{
    IDAYEdt->setDateText(date);
    JKYUEdt->setProgramText(QString());
    SANGHOEdt->setProgramText(QString());
    EtcCmb->setProgramText(QString());
    setCategory(quill::Category::None);
    mTmnyEdt->setValue(0);
    mTvatEdt->setValue(0);
}

quill::Category EntryPanel::category() const
{
    const int id = category_->checkedId();
    return id < 0 ? quill::Category::None : static_cast<quill::Category>(id);
}

void EntryPanel::setCategory(quill::Category category)
{
    if (category == quill::Category::None) {
        category_->setExclusive(false);
        for (QAbstractButton* b : category_->buttons())
            b->setChecked(false);
        category_->setExclusive(true);
        return;
    }
    if (QAbstractButton* b = category_->button(static_cast<int>(category)))
        b->setChecked(true);
}

void EntryPanel::setButtonsActive(bool active)
{
    for (QToolButton* b : {mOk, mVoide}) {
        b->setEnabled(active);
        b->setAutoRaise(!active);
    }
}

bool EntryPanel::checkDate()
{
    if (quill::DateTextAcceptable(IDAYEdt->dateText().toStdString()))
        return true;
    showInfo(QString::fromUtf8(quill::kBadDateMessage));
    IDAYEdt->setFocus(Qt::OtherFocusReason);
    return false;
}

void EntryPanel::showInfo(const QString& text)
{
    if (dialogs_)
        dialogs_->showInfo(text);
}

void EntryPanel::updateTotal()
{
    mTotmy->setValue(mTmnyEdt->value() + mTvatEdt->value());
}

void EntryPanel::proposeVat()
{
    if (quill::ShouldProposeVat(mode_, mTmnyEdt->text().isEmpty(), mTmnyEdt->value(), mTvatEdt->value(),
                                opened_.amount))
        mTvatEdt->setValue(quill::ProposeVat(mTmnyEdt->value()));
}

void EntryPanel::proposeRemark()
{
    std::string r = quill::ProposeRemark(mode_, EtcCmb->text().toStdString(), mTvatEdt->value());
    if (!r.empty())
        EtcCmb->setProgramText(QString::fromStdString(r));
}

void EntryPanel::splitVat()
{
    if (!isEnabled() || mTmnyEdt->value() == 0)
        return;
    quill::VatSplit s = quill::SplitVatInclusive(mTmnyEdt->value());
    mTvatEdt->setValue(s.vat);
    mTmnyEdt->setValue(s.amount);
}

void EntryPanel::pasteSpecialChar(QWidget* field)
{
    if (dialogs_)
        PickSpecialChar(*dialogs_);
    // "Non" exactly (case and all) means nothing was picked. A clipboard
    // without text pastes nothing and leaves any selection in place, where
    // a plain paste would delete it.
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty() || text == QLatin1String("Non"))
        return;
    if (auto* edit = qobject_cast<LimitedTextEdit*>(field))
        edit->insertChecked(text);
    else if (auto* line = qobject_cast<QLineEdit*>(field))
        line->insert(text);
}

bool EntryPanel::handleKey(QWidget* field, int key)
{
    switch (key) {
    case Qt::Key_Escape:
        emit cancelRequested();
        return true;
    case Qt::Key_F11:
        if (field == JKYUEdt || field == SANGHOEdt || field == EtcCmb)
            pasteSpecialChar(field);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget* next = nullptr;
        if (field == IDAYEdt)
            next = JKYUEdt;
        else if (field == JKYUEdt)
            next = SANGHOEdt;
        else if (field == SANGHOEdt)
            next = RadioA;
        else if (field == RadioA || field == RadioB || field == RadioC)
            next = mTmnyEdt;
        else if (field == mTmnyEdt)
            next = mTvatEdt;
        else if (field == mTvatEdt)
            next = EtcCmb;
        else if (field == mTotmy)
            next = mTvatEdt;
        if (field == EtcCmb)
            emit confirmRequested();
        else if (next)
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        // The arrow keys move among the category buttons and choose the one
        // they land on, also when none was chosen yet.
        const QList<QRadioButton*> radios{RadioA, RadioB, RadioC};
        const int i = static_cast<int>(radios.indexOf(qobject_cast<QRadioButton*>(field)));
        if (i < 0)
            return false;
        const int step = key == Qt::Key_Left || key == Qt::Key_Up ? 2 : 1;
        QRadioButton* target = radios[(i + step) % 3];
        target->setFocus(Qt::TabFocusReason);
        target->setChecked(true);
        return true;
    }
    default:
        return false;
    }
}

bool EntryPanel::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::InputMethod:
        // A syllable typed through the input method is the next key too.
        if (!static_cast<QInputMethodEvent*>(event)->commitString().isEmpty() ||
            !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty())
            hideNote();
        break;
    case QEvent::KeyPress:
        hideNote();
        if (handleKey(field, static_cast<QKeyEvent*>(event)->key()))
            return true;
        break;
    case QEvent::FocusIn:
        if (field == mTvatEdt)
            proposeVat();
        else if (field == EtcCmb)
            proposeRemark();
        break;
    case QEvent::FocusOut: {
        // The date test when the focus moves on inside the program; not when
        // a message box or another window takes it, nor when the panel
        // closes.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (field == IDAYEdt && mode_ != quill::EditorMode::Idle && !dateCheckQueued_ &&
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            dateCheckQueued_ = true;
            // After the focus change is complete, so that returning the
            // focus to the date field does not race it.
            QTimer::singleShot(0, this, [this] {
                dateCheckQueued_ = false;
                if (mode_ != quill::EditorMode::Idle && isEnabled())
                    checkDate();
            });
        }
        break;
    }
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}
