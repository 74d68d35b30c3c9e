// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <QStyledItemDelegate>

// The font in which `text` fits into `room` pixels: `base` itself, or the
// same font made just small enough (not below `smallest` pixels).
QFont FittedFont(const QFont& base, const QString& text, qreal room, qreal smallest = 6);

// Grid cells that never cut their text: an amount wider than its column is
// drawn in a smaller font instead of losing digits to "…".
class FitTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A one-line label that never cuts its text: a text wider than the label
// (a total of hundreds of billions, a count of a million rows) is drawn in a
// smaller font, so every digit stays in view. Leading blanks, which only
// align the text, do not count.
class FitLabel : public QLabel {
public:
    explicit FitLabel(QWidget* parent = nullptr);
    // The font the text is drawn in: the label's own, or a smaller one.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
