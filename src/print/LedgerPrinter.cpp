// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/LedgerPrinter.h"

#include <QFont>
#include <QHash>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <unordered_map>
#include <vector>

namespace {

// The form's fonts: Korean gothic faces, whichever the system has.
QFont formFont(double points, bool bold = false)
{
    QFont f;
    f.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"), QStringLiteral("돋움"),
                   QStringLiteral("Dotum"), QStringLiteral("UnDotum"), QStringLiteral("sans-serif")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

constexpr double kBodyPoints = 8.5;
constexpr double kTitlePoints = 16;
constexpr double kHeadPoints = 8.5;

// Device units per point.
double unitsPerPoint(const QPrinter& printer) { return printer.resolution() / 72.0; }

QRectF pt(double k, double x, double y, double w, double h) { return QRectF(x * k, y * k, w * k, h * k); }

const QColor kHeadFill(255, 255, 192);
const QColor kTotalFill(255, 224, 255);

} // namespace

void SetDefaultLedgerPage(QPrinter& printer)
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
}

quill::PrintedLedger LayOutForPrinter(QPrinter& printer, const quill::PrintWalk& walk, const quill::PrintHeading& heading)
{
    const double k = unitsPerPoint(printer);
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
    const QFont body = formFont(kBodyPoints);
    QFontMetricsF fm(body, &printer);
    // Every character of a ledger is one of a few thousand: measured once.
    auto cache = std::make_shared<std::unordered_map<std::string, double>>();
    quill::PrintMetrics m;
    m.pageWidth = area.width();
    m.pageHeight = area.height();
    m.lineHeight = fm.height() / k;
    m.bodyWidth = [cache, fm, k](std::string_view c) {
        auto it = cache->find(std::string(c));
        if (it != cache->end())
            return it->second;
        const double w = fm.horizontalAdvance(QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()))) / k;
        cache->emplace(std::string(c), w);
        return w;
    };
    m.titleHeight = QFontMetricsF(formFont(kTitlePoints, true), &printer).height() / k + 6;
    m.headingHeight = m.lineHeight + 6;
    m.headRowHeight = QFontMetricsF(formFont(kHeadPoints, true), &printer).height() / k + 4;
    m.footHeight = m.lineHeight + 6;
    m.cellPadding = 2;
    return quill::LayOutLedger(walk, m, heading);
}

namespace {

class PagePainter {
public:
    PagePainter(QPainter& p, QPrinter& printer, const quill::PrintedLedger& l)
        : p_(p), printer_(printer), l_(l), k_(unitsPerPoint(printer)),
          area_(printer.pageLayout().paintRect(QPageLayout::Point)), body_(formFont(kBodyPoints)),
          bold_(formFont(kBodyPoints, true)), head_(formFont(kHeadPoints, true)),
          title_(formFont(kTitlePoints, true))
    {
        for (QFont* f : {&body_, &bold_, &head_, &title_})
            faces_.push_back(Face{f, QFontMetricsF(*f, &printer_), {}});
        line_ = faces_[0].metrics.height() / k_;
        headRow_ = faces_[2].metrics.height() / k_ + 4;
        titleH_ = faces_[3].metrics.height() / k_ + 6;
        left_ = std::max(0.0, (area_.width() - l_.tableWidth) / 2);
        use(body_);
    }

    void page(const quill::PrintPage& pg)
    {
        double y = 0;
        p_.setPen(QPen(Qt::black, 0));
        use(title_);
        text(pt(k_, 0, y, area_.width(), titleH_), Qt::AlignCenter, QString::fromStdString(l_.title));
        y += titleH_;
        use(body_);
        const QRectF heading = pt(k_, left_, y, l_.tableWidth, line_ + 6);
        text(heading, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(l_.ledgerName));
        text(heading, Qt::AlignRight | Qt::AlignVCenter,
             QString::fromStdString(quill::PageHeadingPeriod(l_.period, pg)));
        y += line_ + 6;
        y = headRows(y);
        const double sumRow = line_ + 4;
        if (pg.carried)
            y = sumLine(y, sumRow, QStringLiteral("전면 이월"), pg.carriedIn, false);
        for (const quill::PrintRow& r : pg.rows)
            y = entry(y, r);
        y = sumLine(y, sumRow, QStringLiteral("소계"), pg.pageSum, false);
        if (pg.last)
            y = sumLine(y, sumRow, QString::fromStdString(l_.totalLabel), l_.total, true);
        // The foot: page number in the middle, the day of printing right.
        use(body_);
        const QRectF foot = pt(k_, left_, area_.height() - (line_ + 6), l_.tableWidth, line_ + 6);
        text(foot, Qt::AlignCenter,
             QString::fromStdString(quill::PageNumberText(pg.number, static_cast<int>(l_.pages.size()))));
        text(foot, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(l_.printDate));
    }

private:
    // Draws a text in a rectangle at a point worked out here: a blank is
    // left as a gap, never drawn, because the PDF engine's text extraction
    // would read the Korean face's blank glyph as a control character. The
    // position comes from widths measured once per character, not from the
    // text layout of QPainter's rectangle form, which cost most of a long
    // printout's time.
    void text(const QRectF& r, Qt::Alignment align, const QString& t)
    {
        if (t.isEmpty())
            return;
        const QFontMetricsF& fm = face_->metrics;
        const double whole = width(t);
        double x = r.left();
        if (align & Qt::AlignRight)
            x = r.right() - whole;
        else if (align & Qt::AlignHCenter)
            x = r.left() + (r.width() - whole) / 2;
        const double y = (align & Qt::AlignVCenter) ? r.top() + (r.height() - fm.height()) / 2 + fm.ascent()
                                                    : r.top() + fm.ascent();
        if (!t.contains(QLatin1Char(' '))) {
            p_.drawText(QPointF(x, y), t);
            return;
        }
        qsizetype start = 0;
        double at = x;
        while (start < t.size()) {
            qsizetype end = t.indexOf(QLatin1Char(' '), start);
            if (end < 0)
                end = t.size();
            const QString word = t.mid(start, end - start);
            if (!word.isEmpty())
                p_.drawText(QPointF(at, y), word);
            at += width(word) + (end < t.size() ? width(QStringLiteral(" ")) : 0);
            start = end + 1;
        }
    }

    // One of the form's fonts with its metrics and the widths of the
    // characters drawn in it so far (device units).
    struct Face {
        const QFont* font;
        QFontMetricsF metrics;
        QHash<char32_t, double> widths;
    };

    void use(const QFont& f)
    {
        for (Face& face : faces_)
            if (face.font == &f) {
                face_ = &face;
                p_.setFont(f);
                return;
            }
    }

    double width(const QString& t)
    {
        double w = 0;
        for (qsizetype i = 0; i < t.size(); ++i) {
            char32_t c = t[i].unicode();
            qsizetype n = 1;
            if (t[i].isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(t[i], t[i + 1]);
                n = 2;
            }
            auto it = face_->widths.constFind(c);
            if (it == face_->widths.constEnd())
                it = face_->widths.insert(c, face_->metrics.horizontalAdvance(t.mid(i, n)));
            w += it.value();
            i += n - 1;
        }
        return w;
    }

    double colX(int c) const { return left_ + l_.x[static_cast<std::size_t>(c)]; }
    double colW(int c) const { return l_.width[static_cast<std::size_t>(c)]; }
    double spanW(int first, int last) const { return colX(last) + colW(last) - colX(first); }

    void cell(double x, double y, double w, double h, const QString& label, Qt::Alignment align,
              const QColor& fill = QColor())
    {
        const QRectF r = pt(k_, x, y, w, h);
        if (fill.isValid())
            p_.fillRect(r, fill);
        p_.drawRect(r);
        if (!label.isEmpty())
            text(pt(k_, x + 2, y, w - 4, h), align | Qt::AlignVCenter, label);
    }

    // An amount always whole: drawn smaller when the column is too narrow.
    // Drawn in the current font (the body's or the bold one).
    void amount(double x, double y, double w, double h, const std::string& text)
    {
        if (text.empty())
            return;
        const QString t = QString::fromStdString(text);
        const double room = (w - 4) * k_;
        if (width(t) <= room) {
            this->text(pt(k_, x + 2, y, w - 4, h), Qt::AlignRight | Qt::AlignVCenter, t);
            return;
        }
        const QFont& font = *face_->font;
        QFont f = font;
        for (int i = 0; i < 12 && QFontMetricsF(f, &printer_).horizontalAdvance(t) > room; ++i)
            f.setPointSizeF(f.pointSizeF() * 0.9);
        p_.setFont(f);
        p_.drawText(pt(k_, x + 2, y, w - 4, h), Qt::AlignRight | Qt::AlignVCenter, t);
        use(font);
    }

    double headRows(double y)
    {
        using namespace quill;
        use(head_);
        const double h = headRow_;
        const Qt::Alignment c = Qt::AlignHCenter;
        cell(colX(kMonthCol), y, spanW(kMonthCol, kDayCol), h, QStringLiteral("①"), c, kHeadFill);
        cell(colX(kTextCol), y, colW(kTextCol), h, QStringLiteral("②"), c, kHeadFill);
        cell(colX(kPartyCol), y, colW(kPartyCol), h, QStringLiteral("③"), c, kHeadFill);
        const char* groups[] = {"④수입", "⑤비용", "⑥고정자산증감"};
        for (int g = 0; g < 3; ++g)
            cell(colX(kAmountCol0 + 2 * g), y, spanW(kAmountCol0 + 2 * g, kAmountCol0 + 2 * g + 1), h,
                 QString::fromUtf8(groups[g]), c, kHeadFill);
        cell(colX(kRemarkCol), y, colW(kRemarkCol), 2 * h, QStringLiteral("⑦비고"), c, kHeadFill);
        y += h;
        cell(colX(kMonthCol), y, colW(kMonthCol), h, QStringLiteral("월"), c, kHeadFill);
        cell(colX(kDayCol), y, colW(kDayCol), h, QStringLiteral("일"), c, kHeadFill);
        cell(colX(kTextCol), y, colW(kTextCol), h, QStringLiteral("거래내용"), c, kHeadFill);
        cell(colX(kPartyCol), y, colW(kPartyCol), h, QStringLiteral("거래처"), c, kHeadFill);
        for (int f = 0; f < 6; ++f)
            cell(colX(kAmountCol0 + f), y, colW(kAmountCol0 + f), h,
                 f % 2 == 0 ? QStringLiteral("금액") : QStringLiteral("부가세"), c, kHeadFill);
        use(body_);
        return y + h;
    }

    double entry(double y, const quill::PrintRow& r)
    {
        using namespace quill;
        double h = r.height;
        if (!r.year.empty()) {
            // A new year begins: its band across the table, above the entry.
            const double band = line_ + 4;
            use(bold_);
            cell(colX(kMonthCol), y, l_.tableWidth, band, QString::fromStdString(r.year), Qt::AlignLeft,
                 QColor(240, 240, 240));
            use(body_);
            y += band;
            h -= band;
        }
        cell(colX(kMonthCol), y, colW(kMonthCol), h, QString::fromStdString(r.month), Qt::AlignHCenter);
        cell(colX(kDayCol), y, colW(kDayCol), h, QString::fromStdString(r.day), Qt::AlignHCenter);
        const int cols[3] = {kTextCol, kPartyCol, kRemarkCol};
        for (int t = 0; t < 3; ++t) {
            const int c = cols[t];
            p_.drawRect(pt(k_, colX(c), y, colW(c), h));
            const auto& lines = r.lines[static_cast<std::size_t>(t)];
            for (std::size_t i = 0; i < lines.size(); ++i)
                text(pt(k_, colX(c) + 2, y + 2 + static_cast<double>(i) * line_, colW(c) - 4, line_),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(lines[i]));
        }
        for (int f = 0; f < 6; ++f) {
            const int c = kAmountCol0 + f;
            p_.drawRect(pt(k_, colX(c), y, colW(c), h));
            amount(colX(c), y, colW(c), h, r.amounts[static_cast<std::size_t>(f)]);
        }
        return y + h;
    }

    double sumLine(double y, double h, const QString& label, const quill::Sums6& sums, bool total)
    {
        using namespace quill;
        const QColor fill = total ? kTotalFill : QColor(240, 240, 240);
        use(bold_);
        cell(colX(kMonthCol), y, spanW(kMonthCol, kPartyCol), h, label, Qt::AlignHCenter, fill);
        for (int f = 0; f < 6; ++f) {
            const int c = kAmountCol0 + f;
            cell(colX(c), y, colW(c), h, QString(), Qt::AlignRight, fill);
            amount(colX(c), y, colW(c), h, PrintAmount(sums[static_cast<std::size_t>(f)], false));
        }
        cell(colX(kRemarkCol), y, colW(kRemarkCol), h, QString(), Qt::AlignLeft, fill);
        use(body_);
        return y + h;
    }

    QPainter& p_;
    QPrinter& printer_;
    const quill::PrintedLedger& l_;
    double k_;
    QRectF area_;
    QFont body_, bold_, head_, title_;
    double line_ = 0, headRow_ = 0, titleH_ = 0, left_ = 0;
    std::vector<Face> faces_;
    Face* face_ = nullptr;
};

} // namespace

bool PaintLedger(QPrinter& printer, const quill::PrintedLedger& ledger, const PageProgress& pageDone)
{
    QPainter p;
    if (!p.begin(&printer))
        return false;
    int from = 1, to = static_cast<int>(ledger.pages.size());
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(from, printer.fromPage());
        to = std::min(to, printer.toPage() > 0 ? printer.toPage() : to);
    }
    PagePainter painter(p, printer, ledger);
    for (int n = from; n <= to; ++n) {
        if (n > from && !printer.newPage())
            return false;
        painter.page(ledger.pages[static_cast<std::size_t>(n - 1)]);
        if (pageDone)
            pageDone(n - from + 1, to - from + 1);
    }
    return p.end();
}

bool PrintLedger(QPrinter& printer, const quill::PrintWalk& walk, const quill::PrintHeading& heading)
{
    return PaintLedger(printer, LayOutForPrinter(printer, walk, heading));
}
