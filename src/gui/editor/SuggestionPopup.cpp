// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/SuggestionPopup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QStringListModel>
#include <QTimer>

namespace {
constexpr int kMostRows = 8;
}

SuggestionPopup::SuggestionPopup(QLineEdit* field, Provider provider)
    : QObject(field), field_(field), provider_(std::move(provider))
{
    // A window of its own that is never activated: the field keeps the
    // keyboard and the input method its composition.
    list_ = new QListView(nullptr);
    list_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    list_->setAttribute(Qt::WA_ShowWithoutActivating);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setUniformItemSizes(true);
    list_->setFont(field->font());
    list_->setObjectName(field->objectName() + QStringLiteral("Suggestions"));
    list_->setWindowTitle(list_->objectName());  // how desktop tests find the list
    model_ = new QStringListModel(this);
    list_->setModel(model_);
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) { accept(index.row()); });
    connect(field_, &QLineEdit::textEdited, this, [this] {
        preedit_.clear();
        refresh();
    });
    // After the panel's own filter was installed: this one sees the keys first.
    field_->installEventFilter(this);
}

SuggestionPopup::~SuggestionPopup() { delete list_; }

bool SuggestionPopup::isOpen() const { return list_->isVisible(); }

QStringList SuggestionPopup::texts() const { return model_->stringList(); }

int SuggestionPopup::chosen() const
{
    const QModelIndex current = list_->currentIndex();
    return isOpen() && current.isValid() && list_->selectionModel()->isSelected(current) ? current.row() : -1;
}

void SuggestionPopup::refresh()
{
    if (!field_->hasFocus() || !field_->isEnabled() || field_->isReadOnly()) {
        close();
        return;
    }
    const QString query = field_->text().left(field_->cursorPosition()) + preedit_;
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
}

void SuggestionPopup::close()
{
    query_.clear();
    if (list_->isVisible())
        list_->hide();
}

void SuggestionPopup::place()
{
    const int rows = qMin(kMostRows, model_->rowCount());
    const int rowHeight = qMax(list_->sizeHintForRow(0), list_->fontMetrics().height() + 2);
    const int width = qMax(field_->width(), list_->sizeHintForColumn(0) + 24);
    const QPoint below = field_->mapToGlobal(QPoint(0, field_->height()));
    list_->setGeometry(below.x(), below.y(), width, rows * rowHeight + 2 * list_->frameWidth());
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
    close();  // the commit may have asked for new suggestions
}

bool SuggestionPopup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != field_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        lateCommit_.clear();
        if (!isOpen())
            break;
        auto* key = static_cast<QKeyEvent*>(event);
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
            close();
            break;
        case Qt::Key_Escape:
            close();
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
        preedit_ = im->preeditString();
        // After the field has taken the committed text in.
        QTimer::singleShot(0, this, &SuggestionPopup::refresh);
        break;
    }
    case QEvent::FocusOut:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        preedit_.clear();
        close();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
