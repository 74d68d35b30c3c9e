// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/Icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace icons {

namespace {

constexpr int kSide = 32;  // drawn large, scaled down smoothly by Qt

const QColor kInk(40, 52, 70);
const QColor kPaper(250, 252, 255);
const QColor kBlue(30, 110, 190);
const QColor kGreen(40, 150, 80);
const QColor kRed(200, 50, 45);
const QColor kGold(235, 175, 40);

QPen pen(const QColor& c, qreal w = 2.0) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void page(QPainter& p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 7, r.top());
    path.lineTo(r.right(), r.top() + 7);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(kInk, 1.6));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 7, r.top()), QPointF(r.right() - 7, r.top() + 7));
    p.drawLine(QPointF(r.right() - 7, r.top() + 7), QPointF(r.right(), r.top() + 7));
}

void plus(QPainter& p, QPointF c, qreal half, const QColor& color)
{
    p.setPen(pen(color, 3.2));
    p.drawLine(QPointF(c.x() - half, c.y()), QPointF(c.x() + half, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - half), QPointF(c.x(), c.y() + half));
}

void floppy(QPainter& p, QRectF r)
{
    p.setPen(pen(kInk, 1.6));
    p.setBrush(kBlue);
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + 5, r.top() + 2, r.width() - 10, r.height() * 0.38));
    p.setBrush(QColor(210, 220, 235));
    p.drawRect(QRectF(r.left() + 6, r.bottom() - r.height() * 0.36, r.width() - 12, r.height() * 0.36 - 2));
}

void pencil(QPainter& p, QPointF tip, qreal length)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(pen(kInk, 1.4));
    p.setBrush(kGold);
    p.drawRect(QRectF(5, -3, length - 5, 6));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(5, -3), QPointF(5, 3)}));
    p.setBrush(kRed);
    p.drawRect(QRectF(length - 3, -3, 3, 6));
    p.restore();
}

void triangle(QPainter& p, bool right, qreal x, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    if (right)
        p.drawPolygon(QPolygonF({QPointF(x, 8), QPointF(x + 12, 16), QPointF(x, 24)}));
    else
        p.drawPolygon(QPolygonF({QPointF(x + 12, 8), QPointF(x, 16), QPointF(x + 12, 24)}));
}

void circleSign(QPainter& p, const QColor& color, const QString& sign)
{
    p.setPen(pen(color.darker(130), 1.6));
    p.setBrush(color);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    QFont f = p.font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, sign);
}

void draw(QPainter& p, Kind kind)
{
    switch (kind) {
    case Kind::Program: {
        // a bound ledger with ruled lines
        p.setPen(pen(kInk, 1.6));
        p.setBrush(QColor(13, 90, 132));
        p.drawRoundedRect(QRectF(5, 3, 23, 26), 3, 3);
        p.setBrush(kPaper);
        p.drawRect(QRectF(10, 6, 15, 20));
        p.setPen(pen(kBlue, 1.2));
        for (int y = 11; y <= 23; y += 4)
            p.drawLine(QPointF(12, y), QPointF(23, y));
        p.setPen(pen(kGold, 2.4));
        p.drawLine(QPointF(7.5, 5), QPointF(7.5, 27));
        break;
    }
    case Kind::Open:
        p.setPen(pen(kInk, 1.6));
        p.setBrush(QColor(240, 200, 90));
        p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(15, 11), QPointF(27, 11),
                                 QPointF(27, 26), QPointF(3, 26)}));
        p.setBrush(kGold);
        p.drawPolygon(QPolygonF({QPointF(3, 26), QPointF(8, 15), QPointF(30, 15), QPointF(26, 26)}));
        break;
    case Kind::New:
        page(p, QRectF(7, 3, 18, 26));
        plus(p, QPointF(22, 22), 5, kGreen);
        break;
    case Kind::Save:
        floppy(p, QRectF(4, 4, 24, 24));
        break;
    case Kind::SaveAs:
        floppy(p, QRectF(2, 2, 22, 22));
        pencil(p, QPointF(14, 30), 17);
        break;
    case Kind::AddFile:
        page(p, QRectF(4, 3, 17, 23));
        page(p, QRectF(10, 7, 17, 23));
        plus(p, QPointF(23, 24), 5, kGreen);
        break;
    case Kind::Add:
        plus(p, QPointF(16, 16), 10, kGreen);
        break;
    case Kind::Edit:
        pencil(p, QPointF(5, 27), 28);
        break;
    case Kind::Delete:
        p.setPen(pen(kRed, 4));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case Kind::Export: {
        // a small spreadsheet
        p.setPen(pen(kInk, 1.4));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3, 5, 26, 22));
        p.setBrush(kGreen);
        p.drawRect(QRectF(3, 5, 26, 6));
        p.setPen(pen(kGreen.darker(120), 1.2));
        for (int x = 11; x <= 21; x += 8)
            p.drawLine(QPointF(x, 11), QPointF(x, 27));
        for (int y = 16; y <= 22; y += 5)
            p.drawLine(QPointF(3, y), QPointF(29, y));
        break;
    }
    case Kind::Help:
        circleSign(p, kBlue, QStringLiteral("?"));
        break;
    case Kind::Download:
        p.setPen(pen(kGreen, 4));
        p.drawLine(QPointF(16, 4), QPointF(16, 20));
        p.drawLine(QPointF(9, 14), QPointF(16, 21));
        p.drawLine(QPointF(23, 14), QPointF(16, 21));
        p.setPen(pen(kInk, 3));
        p.drawLine(QPointF(6, 27), QPointF(26, 27));
        break;
    case Kind::Home:
        p.setPen(pen(kInk, 1.6));
        p.setBrush(kRed);
        p.drawPolygon(QPolygonF({QPointF(3, 16), QPointF(16, 4), QPointF(29, 16)}));
        p.setBrush(kPaper);
        p.drawRect(QRectF(7, 16, 18, 12));
        p.setBrush(kBlue);
        p.drawRect(QRectF(14, 20, 5, 8));
        break;
    case Kind::About:
        circleSign(p, kGreen, QStringLiteral("i"));
        break;
    case Kind::Quit:
        p.setPen(pen(kRed, 3.4));
        p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 4), QPointF(16, 16));
        break;
    case Kind::Close:
        p.setPen(pen(QColor(255, 255, 255), 3.4));
        p.drawLine(QPointF(9, 9), QPointF(23, 23));
        p.drawLine(QPointF(23, 9), QPointF(9, 23));
        break;
    case Kind::First:
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRect(QRectF(7, 8, 3, 16));
        triangle(p, false, 12, kInk);
        break;
    case Kind::Prior:
        triangle(p, false, 10, kInk);
        break;
    case Kind::Next:
        triangle(p, true, 10, kInk);
        break;
    case Kind::Last:
        triangle(p, true, 8, kInk);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRect(QRectF(22, 8, 3, 16));
        break;
    case Kind::Filing:
        // a sheet with a small bar chart
        p.setPen(pen(kInk, 1.4));
        p.setBrush(kPaper);
        p.drawRect(QRectF(5, 3, 22, 26));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(9, 17, 4, 8));
        p.setBrush(kGreen);
        p.drawRect(QRectF(14, 11, 4, 14));
        p.setBrush(kRed);
        p.drawRect(QRectF(19, 7, 4, 18));
        break;
    case Kind::Print:
        // a printer with a sheet coming out
        p.setPen(pen(kInk, 1.4));
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 3, 14, 9));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(3, 11, 26, 11), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 18, 14, 11));
        p.setPen(pen(kBlue, 1.2));
        p.drawLine(QPointF(12, 22), QPointF(20, 22));
        p.drawLine(QPointF(12, 25), QPointF(20, 25));
        break;
    }
}

} // namespace

QIcon icon(Kind kind)
{
    QPixmap pm(kSide, kSide);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, kind);
    }
    QIcon result(pm);
    // A greyed copy for disabled buttons, drawn rather than left to the style.
    QPixmap grey(pm.size());
    grey.fill(Qt::transparent);
    {
        QPainter p(&grey);
        p.setOpacity(0.35);
        p.drawPixmap(0, 0, pm);
    }
    result.addPixmap(grey, QIcon::Disabled);
    return result;
}

QImage programImage(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / qreal(kSide), side / qreal(kSide));
    draw(p, Kind::Program);
    return image;
}

QPixmap bandBackground(QSize size)
{
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, pm.height());
    g.setColorAt(0.0, QColor(236, 242, 250));
    g.setColorAt(0.45, QColor(218, 229, 243));
    g.setColorAt(1.0, QColor(200, 214, 233));
    p.fillRect(pm.rect(), g);
    // faint diagonal hatching, like a ledger's cover cloth
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    for (int x = -pm.height(); x < pm.width(); x += 6)
        p.drawLine(x, pm.height(), x + pm.height(), 0);
    return pm;
}

} // namespace icons
