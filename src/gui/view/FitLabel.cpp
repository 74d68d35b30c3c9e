// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/view/FitLabel.h"

#include <QApplication>
#include <QFontInfo>
#include <QStyle>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal kSmallestPixelSize = 6;

QString withoutLeadingBlanks(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

} // namespace

QFont FittedFont(const QFont& base, const QString& shown, qreal room, qreal smallest)
{
    QFont f = base;
    qreal needed = QFontMetricsF(f).horizontalAdvance(shown);
    if (needed <= room || shown.isEmpty())
        return f;
    qreal size = QFontInfo(f).pixelSize();
    // Shrink by the proportion first, then step down for hinting and kerning.
    size = qMax(smallest, std::floor(size * room / needed));
    f.setPixelSize(static_cast<int>(size));
    while (size > smallest && QFontMetricsF(f).horizontalAdvance(shown) > room) {
        size -= 1;
        f.setPixelSize(static_cast<int>(size));
    }
    return f;
}

FitLabel::FitLabel(QWidget* parent) : QLabel(parent) {}

QFont FitLabel::fittedFont() const
{
    return FittedFont(font(), withoutLeadingBlanks(text()), contentsRect().width(), kSmallestPixelSize);
}

void FitTextDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->text.isEmpty())
        return;
    const QStyle* style = option->widget ? option->widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
    option->font = FittedFont(option->font, option->text, option->rect.width() - 2 * margin);
    option->fontMetrics = QFontMetrics(option->font);
}

void FitLabel::paintEvent(QPaintEvent* event)
{
    const QFont f = fittedFont();
    if (f == font()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    if (autoFillBackground())
        p.fillRect(rect(), palette().color(backgroundRole()));
    p.setFont(f);
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, withoutLeadingBlanks(text()));
}
