#include "view/FitLabel.h"

#include <QFontInfo>
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

FitLabel::FitLabel(QWidget* parent) : QLabel(parent) {}

QFont FitLabel::fittedFont() const
{
    QFont f = font();
    const QString shown = withoutLeadingBlanks(text());
    const qreal room = contentsRect().width();
    qreal needed = QFontMetricsF(f).horizontalAdvance(shown);
    if (needed <= room || shown.isEmpty())
        return f;
    qreal size = QFontInfo(f).pixelSize();
    // Shrink by the proportion first, then step down for hinting and kerning.
    size = qMax(kSmallestPixelSize, std::floor(size * room / needed));
    f.setPixelSize(static_cast<int>(size));
    while (size > kSmallestPixelSize && QFontMetricsF(f).horizontalAdvance(shown) > room) {
        size -= 1;
        f.setPixelSize(static_cast<int>(size));
    }
    return f;
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
