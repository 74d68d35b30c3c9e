// SPDX-License-Identifier: GPL-3.0-or-later
#include "filing/FilingWindow.h"

#include "app/UserDialogs.h"
#include "filing/FilingTables.h"
#include "ledger/WorkingTable.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QUrl>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

const quill::TaxpayerType kTypes[] = {quill::TaxpayerType::General, quill::TaxpayerType::Simplified,
                                      quill::TaxpayerType::Exempt};

QString utf8(const std::string& s) { return QString::fromStdString(s); }

double won(quill::WideTenths v) { return static_cast<double>(v) / 10000.0; }

std::span<const quill::LedgerEntry> allRows(const quill::WorkingTable& t)
{
    if (t.rowCount() == 0)
        return {};
    return {&t.row(0), t.rowCount()};
}

void fillTable(QTableWidget* view, const quill::FilingTable& table)
{
    view->clear();
    view->setColumnCount(static_cast<int>(table.columns.size()));
    view->setRowCount(static_cast<int>(table.rows.size()));
    QStringList headers;
    for (const std::string& c : table.columns)
        headers << utf8(c);
    view->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < view->rowCount(); ++r) {
        const auto& row = table.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
            const quill::FilingCell& cell = row[static_cast<std::size_t>(c)];
            auto* item = new QTableWidgetItem(cell.isAmount ? utf8(quill::groupedAmount(cell.amount)) : utf8(cell.text));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setTextAlignment(cell.isAmount ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
            if (cell.isAmount && cell.amount < 0)
                item->setForeground(QColor(176, 0, 0));
            view->setItem(r, c, item);
        }
    }
    view->resizeColumnsToContents();
}

QString notesText(const quill::FilingTable& table)
{
    QStringList lines;
    for (const std::string& n : table.notes)
        lines << QStringLiteral("※ ") + utf8(n);
    return lines.join(QLatin1Char('\n'));
}

QTableWidget* newTable(QWidget* parent, const char* name)
{
    auto* t = new QTableWidget(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setWordWrap(false);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

// Bars of the months' income and expenses and a line of the running income
// over one category axis.
QChart* buildChart(const quill::FilingFigures& f)
{
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("%1년 월별 수입·비용과 누적 소득금액 (참고용)").arg(f.year));
    auto* income = new QBarSet(QStringLiteral("수입"));
    auto* expenses = new QBarSet(QStringLiteral("비용 (필요경비)"));
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("누적 소득금액"));
    line->setPen(QPen(QColor(200, 60, 30), 2.5));
    line->setPointsVisible(true);
    const std::array<quill::WideTenths, 12> running = quill::RunningIncome(f);
    QStringList months;
    double low = 0, high = 0;
    for (int m = 0; m < 12; ++m) {
        const double in = won(f.months[static_cast<std::size_t>(m)].income);
        const double out = won(f.months[static_cast<std::size_t>(m)].expenses);
        const double run = won(running[static_cast<std::size_t>(m)]);
        *income << in;
        *expenses << out;
        line->append(m, run);
        months << QStringLiteral("%1월").arg(m + 1);
        for (double v : {in, out, run}) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    auto* bars = new QBarSeries;
    bars->append(income);
    bars->append(expenses);
    chart->addSeries(bars);
    chart->addSeries(line);

    auto* axisX = new QBarCategoryAxis;
    axisX->append(months);
    chart->addAxis(axisX, Qt::AlignBottom);
    bars->attachAxis(axisX);
    line->attachAxis(axisX);
    auto* axisY = new QValueAxis;
    axisY->setRange(low, high > low ? high : low + 1);
    axisY->applyNiceNumbers();
    axisY->setLabelFormat(QStringLiteral("%.0f"));
    axisY->setTitleText(QStringLiteral("원"));
    chart->addAxis(axisY, Qt::AlignLeft);
    bars->attachAxis(axisY);
    line->attachAxis(axisY);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QString htmlOf(const quill::FilingTable& table)
{
    QString h = QStringLiteral("<h3>%1</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>")
                    .arg(utf8(table.title).toHtmlEscaped());
    for (const std::string& c : table.columns)
        h += QStringLiteral("<th>%1</th>").arg(utf8(c).toHtmlEscaped());
    h += QStringLiteral("</tr>");
    for (const auto& row : table.rows) {
        h += QStringLiteral("<tr>");
        for (const quill::FilingCell& cell : row) {
            if (cell.isAmount)
                h += QStringLiteral("<td align=\"right\">%1</td>").arg(utf8(quill::groupedAmount(cell.amount)));
            else
                h += QStringLiteral("<td>%1</td>").arg(utf8(cell.text).toHtmlEscaped());
        }
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</table>");
    for (const std::string& n : table.notes)
        h += QStringLiteral("<p>※ %1</p>").arg(utf8(n).toHtmlEscaped());
    return h;
}

} // namespace

FilingWindow::FilingWindow(const Setup& setup, QWidget* parent) : QDialog(parent), setup_(setup)
{
    setObjectName(QStringLiteral("FilingWindow"));
    setWindowTitle(QStringLiteral("신고자료 (참고용)"));
    resize(940, 600);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("연도"), this));
    yearBox = new QSpinBox(this);
    yearBox->setObjectName(QStringLiteral("filingYear"));
    yearBox->setRange(1, 9999);
    yearBox->setValue(setup.year >= 1 && setup.year <= 9999 ? setup.year : QDate::currentDate().year());
    yearBox->setSuffix(QStringLiteral(" 년"));
    top->addWidget(yearBox);
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("과세유형"), this));
    typeBox = new QComboBox(this);
    typeBox->setObjectName(QStringLiteral("taxpayerType"));
    for (quill::TaxpayerType t : kTypes)
        typeBox->addItem(QString::fromUtf8(quill::taxpayerTypeName(t)));
    const quill::TaxpayerType stored = quill::ReadTaxpayerType(QFile::encodeName(setup.configPath).toStdString());
    for (int i = 0; i < 3; ++i)
        if (kTypes[i] == stored)
            typeBox->setCurrentIndex(i);
    top->addWidget(typeBox);
    top->addSpacing(16);
    auto* reference = new QLabel(QStringLiteral("참고용 수치입니다. 신고서가 아닙니다."), this);
    reference->setObjectName(QStringLiteral("referenceLabel"));
    QPalette rp = reference->palette();
    rp.setColor(QPalette::WindowText, QColor(160, 0, 0));
    reference->setPalette(rp);
    top->addWidget(reference);
    top->addStretch(1);

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("filingTabs"));
    auto page = [this](int tab, QWidget* content, const QString& name) {
        auto* w = new QWidget(tabs);
        auto* v = new QVBoxLayout(w);
        titles_[tab] = new QLabel(w);
        QFont bold = titles_[tab]->font();
        bold.setBold(true);
        titles_[tab]->setFont(bold);
        v->addWidget(titles_[tab]);
        content->setParent(w);
        v->addWidget(content, 1);
        notes_[tab] = new QLabel(w);
        notes_[tab]->setWordWrap(true);
        notes_[tab]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        v->addWidget(notes_[tab]);
        tabs->addTab(w, name);
    };
    vatTable = newTable(this, "vatTable");
    incomeTable = newTable(this, "incomeTable");
    evidenceTable = newTable(this, "evidenceTable");
    evidenceTable->setToolTip(QStringLiteral("두 번 누르거나 Enter를 누르면 장부에서 그 자료로 갑니다."));
    chartView = new QChartView(this);
    chartView->setObjectName(QStringLiteral("monthChart"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(300);
    page(VatTab, vatTable, QStringLiteral("부가가치세"));
    page(IncomeTab, incomeTable, QStringLiteral("종합소득세"));
    page(EvidenceTab, evidenceTable, QStringLiteral("증빙 확인"));
    page(ChartTab, chartView, QStringLiteral("월별 그래프"));

    undatedLabel = new QLabel(this);
    undatedLabel->setObjectName(QStringLiteral("undatedLabel"));

    copyButton = new QPushButton(QStringLiteral("표 복사 (Ctrl+C)"), this);
    copyButton->setObjectName(QStringLiteral("copyButton"));
    copyButton->setAutoDefault(false);
    pdfButton = new QPushButton(QStringLiteral("PDF로 저장..."), this);
    pdfButton->setObjectName(QStringLiteral("pdfButton"));
    pdfButton->setAutoDefault(false);
    auto* closeButton = new QPushButton(QStringLiteral("닫기"), this);
    closeButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(undatedLabel, 1);
    buttons->addWidget(copyButton);
    buttons->addWidget(pdfButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tabs, 1);
    layout->addLayout(buttons);

    // Ctrl+C copies the whole table of the tab, also from inside a table,
    // which would otherwise copy one cell.
    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    addAction(copy);
    connect(copy, &QAction::triggered, this, &FilingWindow::copyFigures);
    connect(copyButton, &QPushButton::clicked, this, &FilingWindow::copyFigures);
    connect(pdfButton, &QPushButton::clicked, this, &FilingWindow::savePdf);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(yearBox, &QSpinBox::valueChanged, this, [this] { recompute(); });
    connect(typeBox, &QComboBox::activated, this, &FilingWindow::typeChosen);
    connect(evidenceTable, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const int r = item->row();
        if (r >= 0 && r < static_cast<int>(figures_.evidence.size()))
            emit entryChosen(figures_.evidence[static_cast<std::size_t>(r)].row);
    });

    recompute();
}

void FilingWindow::recompute()
{
    const quill::TaxpayerType type = kTypes[std::max(0, typeBox->currentIndex())];
    figures_ = quill::ComputeFilingFigures(*setup_.table, yearBox->value(), type);
    QTableWidget* views[] = {vatTable, incomeTable, evidenceTable};
    for (int tab = VatTab; tab <= ChartTab; ++tab) {
        const quill::FilingTable t = tableOfTab(tab);
        if (tab != ChartTab)
            fillTable(views[tab], t);
        titles_[tab]->setText(utf8(t.title));
        notes_[tab]->setText(notesText(t));
    }
    fillChart();
    undatedLabel->setText(figures_.undated.empty()
                              ? QString()
                              : QStringLiteral("날짜가 올바르지 않은 자료 %1건은 수치에 들어 있지 않습니다.")
                                    .arg(figures_.undated.size()));
}

void FilingWindow::typeChosen(int index)
{
    if (index < 0 || index > 2)
        return;
    recompute();
    const quill::IoResult stored =
        quill::WriteTaxpayerType(QFile::encodeName(setup_.configPath).toStdString(), kTypes[index]);
    if (!stored && setup_.dialogs)
        setup_.dialogs->showError(QString::fromStdString(stored.message));
}

void FilingWindow::fillChart()
{
    QChart* old = chartView->chart();
    chartView->setChart(buildChart(figures_));
    delete old;
}

quill::FilingTable FilingWindow::tableOfTab(int tab) const
{
    switch (tab) {
    case VatTab: return quill::VatTable(figures_);
    case IncomeTab: return quill::IncomeTable(figures_);
    case EvidenceTab: return quill::EvidenceTable(figures_, allRows(*setup_.table));
    default: return quill::MonthTable(figures_);
    }
}

void FilingWindow::copyFigures()
{
    QGuiApplication::clipboard()->setText(utf8(quill::TabSeparated(tableOfTab(tabs->currentIndex()))));
}

void FilingWindow::savePdf()
{
    if (!setup_.dialogs)
        return;
    FileDialogSettings settings;
    settings.title = QStringLiteral("PDF로 저장");
    if (setup_.pdfFolder)
        settings.folder = setup_.pdfFolder();
    settings.proposal = QStringLiteral("신고자료_%1.pdf").arg(figures_.year);
    settings.filterName = QStringLiteral("PDF 파일 ");
    settings.pattern = QStringLiteral("*.pdf");
    settings.defaultSuffix = QStringLiteral("pdf");
    QString path = setup_.dialogs->saveFileName(settings);
    if (path.isEmpty())
        return;
    path = CompletedFileName(path, settings.defaultSuffix, true);
    if (QFileInfo::exists(path)
        && !setup_.dialogs->askYesNo(QStringLiteral("%1 파일이 이미 있습니다.\n새 자료로 바꾸시겠습니까?")
                                         .arg(QFileInfo(path).fileName())))
        return;
    QString error;
    if (!writePdf(path, &error))
        setup_.dialogs->showError(QStringLiteral("PDF 파일을 만들 수 없습니다.\n") + error);
}

bool FilingWindow::writePdf(const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        // Screen resolution, so the page is laid out like the window and a
        // font given in pixels does not shrink to a speck.
        writer.setResolution(96);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("신고자료 %1년 (참고용)").arg(figures_.year));
        writer.setCreator(QStringLiteral("간편장부"));

        QTextDocument doc;
        QFont text = font();
        text.setPointSizeF(9);
        doc.setDefaultFont(text);
        // The chart drawn for the page at a fixed size, whatever the window's.
        // The chart laid out at the page's width and drawn at twice the
        // resolution, so its labels stay readable and sharp on paper.
        const QSizeF chartSize(960, 480);
        QImage picture((chartSize * 2).toSize(), QImage::Format_ARGB32);
        picture.fill(Qt::white);
        {
            QGraphicsScene scene;
            QChart* chart = buildChart(figures_);
            scene.addItem(chart);
            chart->resize(chartSize);
            QPainter p(&picture);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(2, 2);
            scene.render(&p, QRectF(QPointF(0, 0), chartSize), QRectF(QPointF(0, 0), chartSize));
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chart.png")), picture);
        QString html = QStringLiteral("<html><body><h2>신고자료 %1년 (%2) — 참고용</h2>")
                           .arg(figures_.year)
                           .arg(QString::fromUtf8(quill::taxpayerTypeName(figures_.type)));
        for (int tab = VatTab; tab <= ChartTab; ++tab)
            html += htmlOf(tableOfTab(tab));
        html += QStringLiteral("<p><img src=\"chart.png\" width=\"960\" height=\"480\"></p></body></html>");
        doc.setHtml(html);
        doc.print(&writer);
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
