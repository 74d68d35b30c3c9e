// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/editor/SuggestionPopup.h"

#include "gui/editor/EntryFields.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QStringListModel>
#include <QTimer>

#include <cstdint>

namespace {
constexpr int kMostRows = 8;
constexpr int kFewestRowsAbove = 3;

// The X key code of Esc (evdev and every X server of today).
constexpr std::uint8_t kEscapeKeycode = 9;
constexpr std::uint8_t kXKeyPress = 2;
// How long an Esc the list saw on the display may take to arrive as a key.
constexpr qint64 kEscapeEchoMs = 1500;

// Sets a field's text as the program does, under its own limits.
void setFieldText(QLineEdit* field, const QString& text)
{
    if (auto* limited = qobject_cast<LimitedTextEdit*>(field))
        limited->setProgramText(text);
    else
        field->setText(text);
}
} // namespace

SuggestionPopup::SuggestionPopup(QLineEdit* field, Provider provider)
    : QObject(field), field_(field), provider_(std::move(provider))
{
    list_ = new QListView(field->window());
    list_->hide();
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setUniformItemSizes(true);
    list_->setFont(field->font());
    list_->setObjectName(field->objectName() + QStringLiteral("Suggestions"));
    list_->setAccessibleName(QStringLiteral("제안 목록"));
    model_ = new QStringListModel(this);
    list_->setModel(model_);
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) { accept(index.row()); });
    connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        grew_ = text.size() > lastText_.size();
        lastText_ = text;
        completing_ = false;
        // A text the input method committed along with a new syllable
        // leaves that syllable composing.
        auto* limited = qobject_cast<LimitedTextEdit*>(field_);
        if (!limited || !limited->isComposing())
            preedit_.clear();
        refresh();
    });
    // Leaving the completion by moving the caret keeps the text as it is shown.
    connect(field_, &QLineEdit::selectionChanged, this, [this] {
        if (completing_ && !field_->hasSelectedText())
            completing_ = false;
    });
    // After the panel's own filter was installed: this one sees the keys first.
    field_->installEventFilter(this);
}

SuggestionPopup::~SuggestionPopup()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
    delete list_;
}

bool SuggestionPopup::isOpen() const { return list_->isVisible(); }

QStringList SuggestionPopup::texts() const { return model_->stringList(); }

int SuggestionPopup::chosen() const
{
    const QModelIndex current = list_->currentIndex();
    return isOpen() && current.isValid() && list_->selectionModel()->isSelected(current) ? current.row() : -1;
}

void SuggestionPopup::setAvoided(const QList<QWidget*>& widgets)
{
    avoided_.clear();
    for (QWidget* w : widgets)
        avoided_.append(w);
}

void SuggestionPopup::refresh()
{
    if (!field_->hasFocus() || !field_->isEnabled() || field_->isReadOnly() || dismissed_) {
        close();
        return;
    }
    const QString query =
        (completing_ ? typed_ : field_->text().left(field_->cursorPosition())) + preedit_;
    // The input method finishing a syllable changes nothing in the query
    // ("서" + composing "우" becomes "서우"): the choice made meanwhile stays.
    if (isOpen() && query == query_)
        return;
    query_ = query;
    const QStringList texts = query.trimmed().isEmpty() ? QStringList() : provider_(query);
    if (texts.isEmpty()) {
        close();
        return;
    }
    const QString wasChosen = chosen() >= 0 ? model_->stringList().value(chosen()) : QString();
    model_->setStringList(texts);
    list_->clearSelection();
    list_->setCurrentIndex(QModelIndex());
    if (!wasChosen.isEmpty() && texts.contains(wasChosen))
        choose(static_cast<int>(texts.indexOf(wasChosen)));
    place();
    list_->show();
    list_->raise();
    if (!watchingClicks_) {
        watchingClicks_ = true;
        qApp->installEventFilter(this);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    // The completion is written after the field has finished with the key
    // or the input method's text (Enter writes it at once, see below).
    if (grew_ && !completing_)
        QTimer::singleShot(0, this, [this] {
            if (grew_ && !completing_ && isOpen())
                complete(query_, model_->stringList().value(0));
        });
}

void SuggestionPopup::complete(const QString& query, const QString& first)
{
    grew_ = false;
    // Only a text that goes on from what was typed, typed up to the end,
    // with nothing being composed: anything else would change the typing.
    // Nor while a row of the list is chosen: Enter takes that one.
    auto* limited = qobject_cast<LimitedTextEdit*>(field_);
    if (!preedit_.isEmpty() || (limited && limited->isComposing()) || chosen() >= 0 || query.isEmpty() || first.size() <= query.size() || !first.startsWith(query) ||
        field_->text() != query || field_->cursorPosition() != query.size() || !field_->hasFocus())
        return;
    // A text in use as typed is what the user meant.
    if (known_ && known_(query))
        return;
    typed_ = query;
    setFieldText(field_, first);
    lastText_ = first;
    completing_ = true;
    field_->setSelection(static_cast<int>(first.size()), -static_cast<int>(first.size() - query.size()));
}

void SuggestionPopup::dropCompletion()
{
    if (!completing_)
        return;
    completing_ = false;
    setFieldText(field_, typed_);
    lastText_ = typed_;
    field_->end(false);
}

void SuggestionPopup::takeCompletion()
{
    completing_ = false;
    const QString text = field_->text();
    close();
    emit accepted(text);
    field_->end(false);
}

void SuggestionPopup::dismiss()
{
    dismissed_ = true;
    close();
}

void SuggestionPopup::close()
{
    query_.clear();
    if (watchingClicks_) {
        watchingClicks_ = false;
        qApp->removeEventFilter(this);
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    if (list_->isVisible())
        list_->hide();
}

void SuggestionPopup::place()
{
    QWidget* window = field_->window();
    if (list_->parentWidget() != window)
        list_->setParent(window);
    const int count = model_->rowCount();
    const int rowHeight = qMax(list_->sizeHintForRow(0), list_->fontMetrics().height() + 2);
    const int frame = 2 * list_->frameWidth();
    const int width = qMax(field_->width(), list_->sizeHintForColumn(0) + 24);
    const QPoint fieldTop = field_->mapTo(window, QPoint(0, 0));
    auto covers = [&](const QRect& r, int* leftmost = nullptr) {
        bool hit = false;
        for (const QPointer<QWidget>& w : avoided_) {
            if (!w || !w->isVisible())
                continue;
            const QRect a(w->mapTo(window, QPoint(0, 0)), w->size());
            if (r.intersects(a)) {
                hit = true;
                if (leftmost)
                    *leftmost = qMin(*leftmost, a.left());
            }
        }
        return hit;
    };
    const int rows = qMin(kMostRows, count);
    QRect r(fieldTop.x(), fieldTop.y() + field_->height(), width, rows * rowHeight + frame);
    int leftmost = window->width();
    if (covers(r, &leftmost)) {
        // Above the field, as many rows as there is room for.
        const int roomRows = (fieldTop.y() - frame) / rowHeight;
        if (roomRows >= qMin(kFewestRowsAbove, rows)) {
            const int above = qMin(rows, roomRows);
            r = QRect(fieldTop.x(), fieldTop.y() - above * rowHeight - frame, width, above * rowHeight + frame);
        } else {
            // Below, but ending before the widgets it must not cover.
            r.moveRight(leftmost - 2);
        }
    }
    if (r.right() >= window->width())
        r.moveRight(window->width() - 1);
    if (r.left() < 0)
        r.moveLeft(0);
    list_->setGeometry(r);
}

void SuggestionPopup::choose(int row)
{
    const QModelIndex index = model_->index(row);
    list_->setCurrentIndex(index);
    list_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(index);
}

void SuggestionPopup::accept(int row)
{
    const QStringList texts = model_->stringList();
    if (row < 0 || row >= texts.size())
        return;
    const QString text = texts[row];
    completing_ = false;
    close();
    // A syllable still being composed (a click while typing) belongs to the
    // typed text the suggestion replaces. The input method is told to drop
    // it, but some (ibus-hangul) hand it over anyway a moment later: that
    // late commit is kept out of the accepted text.
    if (!preedit_.isEmpty()) {
        lateCommit_ = preedit_;
        QGuiApplication::inputMethod()->reset();
        QInputMethodEvent clear;
        QCoreApplication::sendEvent(field_, &clear);
    }
    preedit_.clear();
    emit accepted(text);
    lastText_ = field_->text();
    close();  // the commit may have asked for new suggestions
}

bool SuggestionPopup::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    // An Esc the input method takes for itself (ibus-hangul ends the
    // syllable and switches to Latin letters) never reaches the field as a
    // key: seen here first, it still closes the list, so that the next Esc
    // does not abandon the whole entry.
    if (eventType != "xcb_generic_event_t" || !message || !isOpen())
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(message);
    if ((bytes[0] & 0x7f) == kXKeyPress && bytes[1] == kEscapeKeycode && field_->hasFocus()) {
        // The same Esc may still come on as a key once the input method
        // lets it through: it closed the list, it must not also abandon
        // the entry.
        escClosed_.start();
        QTimer::singleShot(0, this, [this] {
            dropCompletion();
            dismiss();
        });
    }
    return false;
}

bool SuggestionPopup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != field_) {
        // A press anywhere but on the list closes it; the press goes on.
        if (event->type() == QEvent::MouseButtonPress && isOpen()) {
            auto* target = qobject_cast<QWidget*>(watched);
            if (target && target != list_ && !list_->isAncestorOf(target))
                dismiss();
        }
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        lateCommit_.clear();
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && escClosed_.isValid() && escClosed_.elapsed() < kEscapeEchoMs) {
            escClosed_.invalidate();
            dropCompletion();
            dismiss();
            return true;
        }
        escClosed_.invalidate();
        if (!key->text().isEmpty() && key->text()[0].isPrint())
            dismissed_ = false;  // typing again
        if (!isOpen())
            break;
        const int rows = model_->rowCount();
        switch (key->key()) {
        case Qt::Key_Down:
            choose(chosen() < 0 ? 0 : (chosen() + 1) % rows);
            return true;
        case Qt::Key_Up:
            choose(chosen() <= 0 ? rows - 1 : chosen() - 1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (chosen() >= 0) {
                accept(chosen());
                return true;
            }
            // Only a completion the user has seen: a syllable the input
            // method finished with this Enter is kept as typed.
            grew_ = false;
            if (completing_) {
                takeCompletion();
                break;  // and the walk goes on
            }
            close();
            break;
        case Qt::Key_Escape:
            dropCompletion();
            dismiss();
            return true;
        default:
            break;
        }
        break;
    }
    case QEvent::InputMethod: {
        auto* im = static_cast<QInputMethodEvent*>(event);
        if (!lateCommit_.isEmpty() && im->preeditString().isEmpty() && im->commitString() == lateCommit_) {
            lateCommit_.clear();
            QInputMethodEvent clear;
            QCoreApplication::sendEvent(field_, &clear);
            return true;
        }
        const QString preedit = im->preeditString();
        preedit_ = preedit;
        // A new syllable is typing again; a syllable the input method
        // merely finishes (after a click or an Esc) is not.
        if (!preedit.isEmpty())
            dismissed_ = false;
        if (!preedit.isEmpty())
            completing_ = false;  // the field drops the selection for the new syllable
        // After the field has taken the committed text in.
        QTimer::singleShot(0, this, &SuggestionPopup::refresh);
        break;
    }
    case QEvent::FocusOut:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        preedit_.clear();
        dismissed_ = false;
        completing_ = false;
        close();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
