// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/view/FindBar.h"
#include "gui/support/KoreanInput.h"

#include "core/ledger/WorkingTable.h"
#include "core/view/LedgerFind.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

FindBar::FindBar(quill::WorkingTable& table, QWidget* parent) : QFrame(parent), table_(table)
{
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    auto* caption = new QLabel(QStringLiteral("찾기"), this);
    layout->addWidget(caption);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("FindEdit"));
    edit_->setPlaceholderText(QStringLiteral("거래내용, 거래처, 비고 (초성 검색: ㅅㅇ)"));
    edit_->setClearButtonEnabled(true);
    edit_->setAccessibleName(QStringLiteral("찾기"));
    // Qt's clear button has no text of its own.
    for (QAction* clear : edit_->findChildren<QAction*>())
        if (clear->objectName() == QLatin1String("_q_qlineeditclearaction"))
            clear->setText(QStringLiteral("지우기"));
    for (QToolButton* clear : edit_->findChildren<QToolButton*>())
        clear->setAccessibleName(QStringLiteral("지우기"));
    caption->setBuddy(edit_);
    // Search words are Korean, as the texts they find.
    korean_input::askOnEntry(edit_);
    layout->addWidget(edit_, 1);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("FindCount"));
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000000 / 0000000")));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(count_);
    close_ = new QToolButton(this);
    close_->setText(QStringLiteral("닫기"));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(close_);
    connect(close_, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    connect(edit_, &QLineEdit::textChanged, this, [this] {
        count_->clear();
        invalidate();
    });
    edit_->installEventFilter(this);
    hide();
}

void FindBar::open()
{
    show();
    raise();
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

void FindBar::invalidate()
{
    searched_.clear();
    countPending_ = false;
}

void FindBar::findNext(bool backward)
{
    const QString text = edit_->text();
    if (text.trimmed().isEmpty()) {
        count_->clear();
        return;
    }
    const quill::LedgerFind find(text.toStdString());
    const bool fresh = text != searched_ || generation_ != table_.generation();
    const int current = table_.isEmpty() ? -1 : table_.recNo();
    int target;
    if (fresh) {
        // A new search starts at the grid's row itself, then goes on.
        target = current >= 0 && find.matches(table_.visibleRow(current))
                     ? current
                     : find.next(table_, current, backward);
        matches_.clear();
        countPending_ = true;
        searched_ = text;
        generation_ = table_.generation();
    } else {
        countMatches();
        target = find.next(table_, current, backward);
    }
    if (target < 0) {
        countPending_ = false;
        count_->setText(QStringLiteral("0 / 0"));
        return;
    }
    table_.moveTo(target);
    if (!countPending_) {
        showCount(target);
        return;
    }
    // The grid is on the first match at once; counting every match of a
    // huge ledger comes right after.
    count_->setText(QStringLiteral("… / …"));
    QTimer::singleShot(0, this, [this] {
        if (!countPending_)
            return;  // the rows changed meanwhile: the next Enter searches again
        countMatches();
        if (!table_.isEmpty())
            showCount(table_.recNo());
    });
}

void FindBar::countMatches()
{
    if (!countPending_)
        return;
    countPending_ = false;
    matches_ = quill::LedgerFind(searched_.toStdString()).all(table_);
}

void FindBar::showCount(int position)
{
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), position);
    const int n = static_cast<int>(it - matches_.begin()) + 1;
    count_->setText(QStringLiteral("%1 / %2").arg(n).arg(matches_.size()));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            findNext(key->modifiers() & Qt::ShiftModifier);
            return true;
        case Qt::Key_Escape:
            // Taken here: the grid's Esc (the exit question) never sees it.
            hide();
            emit closed();
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}
