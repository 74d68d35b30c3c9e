#include "app/ShadowLabel.h"

#include <QPainter>
#include <QStyle>

ShadowLabel::ShadowLabel(const QString& text, const QColor& shadow, QPoint offset, QWidget* parent)
    : QLabel(text, parent), shadow_(shadow), offset_(offset)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    const QRect r = contentsRect();
    const int flags = static_cast<int>(alignment()) | Qt::TextSingleLine;
    p.setPen(shadow_);
    p.drawText(r.translated(offset_), flags, text());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, flags, text());
}
