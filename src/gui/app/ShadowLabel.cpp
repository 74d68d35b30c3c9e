// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/ShadowLabel.h"

#include <QPainter>
#include <QStyle>

ShadowLabel::ShadowLabel(const QString& text, const QColor& shadow, QPoint offset, QWidget* parent)
    : QLabel(text, parent), shadow_(shadow), offset_(offset)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ShadowLabel::placeWords(const QList<int>& lefts)
{
    wordLefts_ = lefts;
    update();
}

void ShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    const QRect r = contentsRect();
    const int flags = static_cast<int>(alignment()) | Qt::TextSingleLine;
    auto draw = [&](QPoint offset) {
        if (wordLefts_.isEmpty()) {
            p.drawText(r.translated(offset), flags, text());
            return;
        }
        const QStringList words = text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size() && i < wordLefts_.size(); ++i) {
            QRect place = r.translated(offset);
            place.setLeft(r.left() + offset.x() + wordLefts_[i]);
            p.drawText(place, (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft, words[i]);
        }
    };
    p.setPen(shadow_);
    draw(offset_);
    p.setPen(palette().color(QPalette::WindowText));
    draw(QPoint());
}
