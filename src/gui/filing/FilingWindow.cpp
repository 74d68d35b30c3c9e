// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/filing/FilingWindow.h"
#include "gui/support/KoreanInput.h"

#include "gui/app/UserDialogs.h"
#include "core/filing/FilingPdfLayout.h"
#include "core/filing/FilingSettingTexts.h"
#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/filing/FilingTables.h"
#include "core/ledger/WorkingTable.h"
#include "print/PdfOutput.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QFormLayout>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QFile>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

const quill::TaxpayerType kTypes[] = {quill::TaxpayerType::General, quill::TaxpayerType::Simplified,
                                      quill::TaxpayerType::Exempt};

QString utf8(const std::string& s) { return QString::fromStdString(s); }

// On Linux Qt names a combo box by its current value, so a screen reader
// would read "일반과세자" where it should read "과세유형". The boxes that
// choose a setting are named by what they choose and give their value as
// the value.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Value)
            return box->currentText();
        if (t == QAccessible::Name)
            return box->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* namedComboBoxFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QComboBox") && object && object->property("namedSetting").toBool())
        return new NamedComboBox(static_cast<QComboBox*>(object));
    return nullptr;
}

void nameBySetting(QComboBox* box)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboBoxFactory);
        return true;
    }();
    (void)installed;
    box->setProperty("namedSetting", true);
}

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
            QString text = cell.isAmount ? utf8(quill::groupedAmount(cell.amount)) : utf8(cell.text);
            if (!cell.suffix.empty())
                text += QStringLiteral(" ") + utf8(cell.suffix);
            auto* item = new QTableWidgetItem(text);
            if (static_cast<std::size_t>(r) < table.headingRow.size() && table.headingRow[static_cast<std::size_t>(r)]) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setTextAlignment(cell.isAmount ? (Qt::AlignRight | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter));
            if (cell.isAmount && cell.amount < 0)
                item->setForeground(QColor(176, 0, 0));
            view->setItem(r, c, item);
        }
    }
    view->resizeColumnsToContents();
    if (view->property("stretchFirst").toBool() && view->columnCount() > 0)
        view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
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
    // Tab and Shift+Tab leave the table; the arrow keys move inside it.
    t->setTabKeyNavigation(false);
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
    // Digit groups on the value axis, as every amount of the program.
    chart->setLocale(QLocale(QLocale::Korean, QLocale::SouthKorea));
    chart->setLocalizeNumbers(true);
    return chart;
}

// A table for the PDF. Its heading row is a <thead>, so it is repeated on
// every page the table continues on; `breakBefore` starts it on a new page.
QString htmlOf(const quill::FilingTable& table, bool breakBefore)
{
    QString h = QStringLiteral("<h3%2>%1</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><thead><tr>")
                    .arg(utf8(table.title).toHtmlEscaped(),
                         breakBefore ? QStringLiteral(" style=\"page-break-before: always\"") : QString());
    for (const std::string& c : table.columns)
        h += QStringLiteral("<th>%1</th>").arg(utf8(c).toHtmlEscaped());
    h += QStringLiteral("</tr></thead><tbody>");
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const bool heading = r < table.headingRow.size() && table.headingRow[r];
        h += QStringLiteral("<tr>");
        for (const quill::FilingCell& cell : table.rows[r]) {
            QString text = cell.isAmount ? utf8(quill::groupedAmount(cell.amount)) : utf8(cell.text).toHtmlEscaped();
            if (!cell.suffix.empty())
                text += QStringLiteral(" ") + utf8(cell.suffix).toHtmlEscaped();
            if (heading)
                text = QStringLiteral("<b>") + text + QStringLiteral("</b>");
            // An amount is never broken inside its cell, however long.
            h += cell.isAmount ? QStringLiteral("<td align=\"right\" style=\"white-space: nowrap\">%1</td>").arg(text)
                               : QStringLiteral("<td>%1</td>").arg(text);
        }
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</tbody></table>");
    for (const std::string& n : table.notes)
        h += QStringLiteral("<p>※ %1</p>").arg(utf8(n).toHtmlEscaped());
    return h;
}

} // namespace

FilingWindow::FilingWindow(const Setup& setup, QWidget* parent) : QDialog(parent), setup_(setup)
{
    setObjectName(QStringLiteral("FilingWindow"));
    setWindowTitle(QStringLiteral("신고자료 (참고용)"));
    resize(1100, 700);
    settings_ = quill::ReadFilingSettings(QFile::encodeName(setup.configPath).toStdString(),
                                          QFile::encodeName(setup.ledgerPath).toStdString());
    incomeSettings_ = quill::ReadIncomeSettings(QFile::encodeName(setup.configPath).toStdString(),
                                                QFile::encodeName(setup.ledgerPath).toStdString());

    auto* top = new QHBoxLayout;
    auto* yearLabel = new QLabel(QStringLiteral("연도(&Y)"), this);
    top->addWidget(yearLabel);
    yearBox = new QSpinBox(this);
    yearBox->setObjectName(QStringLiteral("filingYear"));
    yearBox->setAccessibleName(QStringLiteral("연도"));
    if (auto* edit = yearBox->findChild<QLineEdit*>())
        edit->setAccessibleName(QStringLiteral("연도"));  // what the keyboard reaches inside the box
    yearLabel->setBuddy(yearBox);
    yearBox->setRange(1, 9999);
    yearBox->setValue(setup.year >= 1 && setup.year <= 9999 ? setup.year : QDate::currentDate().year());
    yearBox->setSuffix(QStringLiteral(" 년"));
    top->addWidget(yearBox);
    top->addSpacing(16);
    auto* typeLabel = new QLabel(QStringLiteral("과세유형(&K)"), this);
    top->addWidget(typeLabel);
    typeBox = new QComboBox(this);
    typeBox->setObjectName(QStringLiteral("taxpayerType"));
    // Named by what it chooses, not by the value shown.
    nameBySetting(typeBox);  // before anything asks for its accessible interface
    typeBox->setAccessibleName(QStringLiteral("과세유형"));
    typeLabel->setBuddy(typeBox);
    for (quill::TaxpayerType t : kTypes)
        typeBox->addItem(QString::fromUtf8(quill::taxpayerTypeName(t)));
    for (int i = 0; i < 3; ++i)
        if (kTypes[i] == settings_.type)
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
    tabs->setAccessibleName(QStringLiteral("신고자료 탭"));
    tabs->tabBar()->setAccessibleName(QStringLiteral("신고자료 탭"));
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
    vatTable->setAccessibleName(QStringLiteral("부가가치세 신고 수치 표"));
    // The line names take the room; the amounts keep their width.
    vatTable->horizontalHeader()->setStretchLastSection(false);
    vatTable->setProperty("stretchFirst", true);
    incomeTable = newTable(this, "incomeTable");
    incomeTable->setAccessibleName(QStringLiteral("종합소득세 수치 표"));
    evidenceTable = newTable(this, "evidenceTable");
    evidenceTable->setAccessibleName(QStringLiteral("증빙 확인 표"));
    evidenceTable->setToolTip(QStringLiteral("두 번 누르거나 Enter를 누르면 장부에서 그 자료로 갑니다. 불공제일 수 있는 "
                                             "매입에서 Ctrl+D를 누르면 그 자료의 비고에 \"불공\"을 더합니다."));
    chartView = new QChartView(this);
    chartView->setObjectName(QStringLiteral("monthChart"));
    chartView->setAccessibleName(QStringLiteral("월별 수입·비용 그래프"));
    chartView->viewport()->setAccessibleName(chartView->accessibleName());
    chartView->setFocusPolicy(Qt::StrongFocus);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(300);
    page(VatTab, vatTable, QStringLiteral("부가가치세"));
    page(IncomeTab, incomeTable, QStringLiteral("종합소득세"));
    page(EvidenceTab, evidenceTable, QStringLiteral("증빙 확인"));
    page(ChartTab, chartView, QStringLiteral("월별 그래프"));
    // The settings may be taller than the window: they scroll.
    auto* settingsScroll = new QScrollArea(tabs);
    settingsScroll->setWidgetResizable(true);
    settingsScroll->setFrameShape(QFrame::NoFrame);
    settingsScroll->setAccessibleName(QStringLiteral("이 장부의 설정"));
    settingsScroll->setWidget(buildSettings());
    tabs->addTab(settingsScroll, QStringLiteral("설정"));

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
    // Ctrl+Tab and Ctrl+PgDn (Shift+Ctrl+Tab, Ctrl+PgUp) change the tab
    // from anywhere in the window, also from the year box.
    auto tabStep = [this](const QList<QKeySequence>& keys, int step) {
        auto* a = new QAction(this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this,
                [this, step] { tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count()); });
    };
    tabStep({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
    tabStep({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
             QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
            -1);
    connect(copyButton, &QPushButton::clicked, this, &FilingWindow::copyFigures);
    connect(pdfButton, &QPushButton::clicked, this, &FilingWindow::savePdf);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(yearBox, &QSpinBox::valueChanged, this, [this] { recompute(); });
    connect(typeBox, &QComboBox::activated, this, &FilingWindow::typeChosen);
    // Ctrl+D: the 불공제 candidate under the cursor is 불공제 after all.
    auto* confirm = new QAction(QStringLiteral("불공제로 표시"), evidenceTable);
    confirm->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    confirm->setShortcutContext(Qt::WidgetShortcut);
    evidenceTable->addAction(confirm);
    connect(confirm, &QAction::triggered, this, [this] { confirmNondeductible(); });
    connect(evidenceTable, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
        const int r = item->row();
        if (r >= 0 && r < static_cast<int>(evidenceEntries_.size()) && evidenceEntries_[static_cast<std::size_t>(r)] >= 0)
            emit entryChosen(static_cast<std::size_t>(evidenceEntries_[static_cast<std::size_t>(r)]));
    });

    recompute();
}

QWidget* FilingWindow::buildSettings()
{
    auto* w = new QWidget(tabs);
    auto* form = new QFormLayout(w);
    auto* intro = new QLabel(QStringLiteral("이 장부의 설정입니다 (장부마다 따로 저장되고, 다른 이름으로 저장하면 함께 "
                                            "옮겨집니다). 바꾸면 곧바로 수치에 반영됩니다."),
                             w);
    intro->setWordWrap(true);
    form->addRow(intro);
    const quill::FilingSettingTexts shown = quill::FilingSettingsToTexts(settings_);
    auto named = [](QWidget* control, const QString& name) {
        control->setAccessibleName(name);
        return control;
    };
    industryBox = new QComboBox(w);
    industryBox->setObjectName(QStringLiteral("industryBox"));
    nameBySetting(industryBox);
    industryBox->addItem(QStringLiteral("(고르지 않음)"), QString());
    for (const quill::Industry& i : quill::IndustriesOf(yearBox->value()))
        industryBox->addItem(QStringLiteral("%1 — %2 (부가가치율 %3)")
                                 .arg(utf8(i.key), utf8(i.name), utf8(quill::rateText(i.valueAdded))),
                             utf8(i.key));
    industryBox->setCurrentIndex(std::max(0, industryBox->findData(utf8(settings_.industry))));
    form->addRow(QStringLiteral("업종(&U)"), named(industryBox, QStringLiteral("업종")));

    const char* prepaidNames[] = {"1기 예정고지세액(원, 비우면 추정)(&1)", "2기 예정고지세액(원, 비우면 추정)(&2)"};
    const char* prepaidA11y[] = {"1기 예정고지세액", "2기 예정고지세액"};
    for (int h = 0; h < 2; ++h) {
        prepaidEdits[h] = new QLineEdit(w);
        prepaidEdits[h]->setObjectName(QStringLiteral("prepaid%1").arg(h + 1));
        prepaidEdits[h]->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,15}")),
                                                                       prepaidEdits[h]));
        prepaidEdits[h]->setText(utf8(shown.prepaid[h]));
        form->addRow(QString::fromUtf8(prepaidNames[h]), named(prepaidEdits[h], QString::fromUtf8(prepaidA11y[h])));
    }
    const char* wordNames[] = {"세금계산서로 볼 단어(쉼표로 나눔)", "계산서로 볼 단어", "신용카드 등으로 볼 단어",
                               "불공제로 볼 단어", "면세 농축수산물(의제매입)로 볼 단어"};
    for (int k = 0; k < quill::kEvidenceWordKinds; ++k) {
        wordEdits[k] = new QLineEdit(w);
        wordEdits[k]->setObjectName(QStringLiteral("words%1").arg(k));
        wordEdits[k]->setText(utf8(shown.words[k]));
        QStringList builtIn;
        for (const std::string& word : quill::builtInEvidenceWords(static_cast<quill::EvidenceWordKind>(k)))
            builtIn << utf8(word);
        wordEdits[k]->setPlaceholderText(QStringLiteral("기본: ") + builtIn.join(QStringLiteral(", ")));
        // The words are Korean: typed in Latin they would never match.
        korean_input::askOnEntry(wordEdits[k]);
        form->addRow(QString::fromUtf8(wordNames[k]), named(wordEdits[k], QString::fromUtf8(wordNames[k])));
    }
    largeBox = new QComboBox(w);
    largeBox->setObjectName(QStringLiteral("largeBox"));
    nameBySetting(largeBox);
    largeBox->addItem(QStringLiteral("장부의 직전 연도로 판단 (없으면 넘지 않음)"));
    largeBox->addItem(QStringLiteral("10억원 초과 (신용카드 발행세액공제 없음)"));
    largeBox->addItem(QStringLiteral("10억원 이하"));
    largeBox->setCurrentIndex(!shown.largeLastYear ? 0 : *shown.largeLastYear ? 1 : 2);
    form->addRow(QStringLiteral("직전 연도 공급가액(&L)"), named(largeBox, QStringLiteral("직전 연도 공급가액 10억원")));
    deemedEdit = new QLineEdit(w);
    deemedEdit->setObjectName(QStringLiteral("deemedEdit"));
    deemedEdit->setPlaceholderText(QStringLiteral("업종에 따름 (예: 8/108, 9/109, 4/104)"));
    deemedEdit->setText(utf8(shown.deemedRate));
    form->addRow(QStringLiteral("의제매입세액 공제율"), named(deemedEdit, QStringLiteral("의제매입세액 공제율")));
    openingEdit = new QLineEdit(w);
    openingEdit->setObjectName(QStringLiteral("openingEdit"));
    openingEdit->setPlaceholderText(QStringLiteral("예: 2024.07.01 (비우면 모름)"));
    openingEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,4}(\\.[0-9]{0,2}(\\.[0-9]{0,2})?)?")), openingEdit));
    openingEdit->setText(utf8(shown.openingDay));
    form->addRow(QStringLiteral("개업일(&O)"), named(openingEdit, QStringLiteral("개업일")));
    lastRevenueEdit = new QLineEdit(w);
    lastRevenueEdit->setObjectName(QStringLiteral("lastRevenueEdit"));
    lastRevenueEdit->setPlaceholderText(QStringLiteral("장부에 직전 연도가 없을 때만 씀 (원)"));
    lastRevenueEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,15}")), lastRevenueEdit));
    lastRevenueEdit->setText(utf8(shown.lastYearRevenue));
    form->addRow(QStringLiteral("직전 연도 수입금액(&R)"), named(lastRevenueEdit, QStringLiteral("직전 연도 수입금액")));
    accountantBox = new QCheckBox(QStringLiteral("세무대리인이 신고함 (전자신고세액공제 없음)"), w);
    accountantBox->setObjectName(QStringLiteral("accountantBox"));
    accountantBox->setAccessibleName(QStringLiteral("세무대리인이 신고함"));
    accountantBox->setChecked(shown.accountantFiles);
    form->addRow(accountantBox);

    connect(industryBox, &QComboBox::activated, this, [this] { settingsChanged(); });
    connect(largeBox, &QComboBox::activated, this, [this] { settingsChanged(); });
    connect(accountantBox, &QCheckBox::toggled, this, [this] { settingsChanged(); });
    for (QLineEdit* e : {prepaidEdits[0], prepaidEdits[1], deemedEdit, openingEdit, lastRevenueEdit})
        connect(e, &QLineEdit::editingFinished, this, [this] { settingsChanged(); });
    for (QLineEdit* e : wordEdits)
        connect(e, &QLineEdit::editingFinished, this, [this] { settingsChanged(); });
    return w;
}

void FilingWindow::settingsChanged()
{
    quill::FilingSettingTexts typed;
    typed.industry = industryBox->currentData().toString().toStdString();
    for (int h = 0; h < 2; ++h)
        typed.prepaid[h] = prepaidEdits[h]->text().toStdString();
    for (int k = 0; k < quill::kEvidenceWordKinds; ++k)
        typed.words[k] = wordEdits[k]->text().toStdString();
    const int large = largeBox->currentIndex();
    typed.largeLastYear = large == 1 ? std::optional<bool>(true) : large == 2 ? std::optional<bool>(false) : std::nullopt;
    typed.deemedRate = deemedEdit->text().toStdString();
    typed.openingDay = openingEdit->text().toStdString();
    typed.lastYearRevenue = lastRevenueEdit->text().toStdString();
    typed.accountantFiles = accountantBox->isChecked();
    const quill::ReadSettingTexts read = quill::ReadFilingSettingTexts(typed, settings_);
    if (read.openingDayUnreadable && setup_.dialogs)
        setup_.dialogs->showError(QString::fromUtf8(quill::kOpeningDayUnreadable));
    if (read.deemedRateUnreadable && setup_.dialogs)
        setup_.dialogs->showError(QString::fromUtf8(quill::kDeemedRateUnreadable));
    settings_ = read.settings;
    recompute();
    if (setup_.ledgerPath.isEmpty())
        return;
    const quill::IoResult stored =
        quill::WriteFilingSettings(QFile::encodeName(setup_.configPath).toStdString(),
                                   QFile::encodeName(setup_.ledgerPath).toStdString(), settings_);
    if (!stored && setup_.dialogs)
        setup_.dialogs->showError(QString::fromStdString(stored.message));
}

void FilingWindow::recompute()
{
    settings_.type = kTypes[std::max(0, typeBox->currentIndex())];
    figures_ = quill::ComputeFilingFigures(*setup_.table, yearBox->value(), settings_);
    income_ = quill::ComputeIncomeFigures(allRows(*setup_.table), yearBox->value(), settings_, incomeSettings_);
    QTableWidget* views[] = {vatTable, incomeTable, evidenceTable};
    for (int tab = VatTab; tab <= ChartTab; ++tab) {
        const quill::FilingTable t = tableOfTab(tab);
        if (tab != ChartTab)
            fillTable(views[tab], t);
        if (tab == EvidenceTab) {
            evidenceEntries_ = t.entryOfRow;
            candidateRows_.assign(t.rows.size(), false);
            // The candidates' group: the rows under its heading.
            bool inGroup = false;
            for (std::size_t r = 0; r < t.rows.size(); ++r) {
                if (t.headingRow[r])
                    inGroup = t.rows[r][0].text.rfind("불공제일 수 있는 매입", 0) == 0;
                else
                    candidateRows_[r] = inGroup && t.entryOfRow[r] >= 0;
            }
        }
        titles_[tab]->setText(utf8(t.title));
        notes_[tab]->setText(notesText(t));
    }
    fillChart();
    // An exempt business files no VAT return but the 사업장현황신고.
    tabs->setTabText(VatTab, settings_.type == quill::TaxpayerType::Exempt ? QStringLiteral("사업장현황신고")
                                                                         : QStringLiteral("부가가치세"));
    undatedLabel->setText(figures_.undatedCount == 0
                              ? QString()
                              : QStringLiteral("날짜가 올바르지 않은 자료 %1건은 수치에 들어 있지 않습니다 (증빙 확인 탭).")
                                    .arg(figures_.undatedCount));
}

bool FilingWindow::confirmNondeductible()
{
    const int r = evidenceTable->currentRow();
    if (r < 0 || static_cast<std::size_t>(r) >= candidateRows_.size() || !candidateRows_[static_cast<std::size_t>(r)]
        || !markNondeductible)
        return false;
    if (!markNondeductible(static_cast<std::size_t>(evidenceEntries_[static_cast<std::size_t>(r)])))
        return false;
    recompute();
    evidenceTable->setCurrentCell(std::min(r, evidenceTable->rowCount() - 1), 0);
    return true;
}

void FilingWindow::typeChosen(int index)
{
    if (index < 0 || index > 2)
        return;
    recompute();
    // Kept for this ledger; without a ledger file, as the program's default.
    const quill::IoResult stored =
        setup_.ledgerPath.isEmpty()
            ? quill::WriteTaxpayerType(QFile::encodeName(setup_.configPath).toStdString(), kTypes[index])
            : quill::WriteFilingSettings(QFile::encodeName(setup_.configPath).toStdString(),
                                         QFile::encodeName(setup_.ledgerPath).toStdString(), settings_);
    if (!stored && setup_.dialogs)
        setup_.dialogs->showError(QString::fromStdString(stored.message));
}

void FilingWindow::fillChart()
{
    QChart* old = chartView->chart();
    chartView->setChart(buildChart(figures_));
    delete old;
    // What the chart shows, for a screen reader: every month's figures.
    const std::array<quill::WideTenths, 12> running = quill::RunningIncome(figures_);
    QStringList months;
    for (std::size_t m = 0; m < 12; ++m)
        months << QStringLiteral("%1월 수입 %2원, 비용 %3원, 누적 소득금액 %4원")
                      .arg(m + 1)
                      .arg(utf8(quill::groupedAmount(figures_.months[m].income)),
                           utf8(quill::groupedAmount(figures_.months[m].expenses)),
                           utf8(quill::groupedAmount(running[m])));
    chartView->setAccessibleDescription(QStringLiteral("%1년 월별 수입·비용과 누적 소득금액. ").arg(figures_.year)
                                        + months.join(QStringLiteral("; ")));
    chartView->viewport()->setAccessibleDescription(chartView->accessibleDescription());
}

quill::FilingTable FilingWindow::tableOfTab(int tab) const
{
    switch (tab) {
    case VatTab: return quill::VatTable(figures_);
    case IncomeTab: return quill::IncomeFiguresTable(figures_, income_);
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
    const QString path = AskSavePath(*setup_.dialogs, settings);
    if (path.isEmpty())
        return;
    // Never over the ledger the figures come from.
    if (!setup_.ledgerPath.isEmpty() && quill::IsSameFile(QFile::encodeName(setup_.ledgerPath).toStdString(),
                                                          QFile::encodeName(path).toStdString())) {
        setup_.dialogs->showError(QStringLiteral("PDF 파일을 만들 수 없습니다.\n")
                                  + QString::fromStdString(quill::SameAsInputText(QFile::encodeName(path).toStdString())));
        return;
    }
    QString error;
    if (!writePdf(path, &error))
        setup_.dialogs->showError(QStringLiteral("PDF 파일을 만들 수 없습니다.\n") + error);
}

bool FilingWindow::writePdf(const QString& path, QString* error)
{
    const std::string target = QFile::encodeName(path).toStdString();
    // Through the safe writer: a PDF cut short (a full disk, the file size
    // limit) leaves the one it was to replace as it was.
    const quill::IoResult written = WritePdfFile(target, [&](const QString& file) {
        QPdfWriter writer(file);
        // Screen resolution, so the page is laid out like the window and a
        // font given in pixels does not shrink to a speck.
        writer.setResolution(96);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        std::vector<quill::FilingTable> tables;
        for (int tab = VatTab; tab <= ChartTab; ++tab)
            tables.push_back(tableOfTab(tab));
        quill::FilingPdf pdf = quill::StartFilingPdf(
            figures_, std::move(tables),
            setup_.ledgerPath.isEmpty() ? std::string() : QFileInfo(setup_.ledgerPath).fileName().toStdString());
        writer.setTitle(utf8(pdf.documentTitle));
        writer.setCreator(QStringLiteral("간편장부"));
        QFont text = font();
        text.setPointSizeF(9);
        // Blanks, digits and Latin letters from a Latin face, Hangul from the
        // window's: the Korean faces map the control characters onto their
        // blank glyph, so the PDF's text layer gave every blank back as
        // U+0001 and copying or searching the file failed.
        QStringList families{QStringLiteral("DejaVu Sans")};
        families += text.families().isEmpty() ? QStringList{text.family()} : text.families();
        text.setFamilies(families);
        const QRectF paper = writer.pageLayout().paintRectPixels(writer.resolution());
        const qreal headHeight = 28;
        const QSizeF body(paper.width(), paper.height() - 2 * headHeight);

        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(&writer);
        doc.setDefaultFont(text);
        doc.setPageSize(body);
        // The chart laid out at a fixed size, whatever the window's, and drawn
        // at twice the resolution, so its labels stay readable and sharp.
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
        // The core says where short tables must start a page; each pass
        // lays the document out again and tells it where the tables fell.
        for (int pass = 0; pass < 8; ++pass) {
            QString html = QStringLiteral("<html><body><h2>%1</h2>").arg(utf8(pdf.heading).toHtmlEscaped());
            for (std::size_t t = 0; t < pdf.tables.size(); ++t)
                html += htmlOf(pdf.tables[t], pdf.breakBefore[t]);
            html += QStringLiteral("<p><img src=\"chart.png\" width=\"960\" height=\"480\"></p></body></html>");
            doc.setHtml(html);
            std::vector<quill::TableExtent> extents;
            for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
                if (auto* table = qobject_cast<QTextTable*>(frame)) {
                    const QRectF r = doc.documentLayout()->frameBoundingRect(table);
                    extents.push_back({r.top(), r.bottom()});
                }
            }
            if (!quill::KeepShortTablesWhole(pdf, extents, body.height()))
                break;
        }
        quill::CutFilingPages(pdf, doc.pageCount(), body.height());

        QPainter painter(&writer);
        for (const quill::FilingPdfPage& page : pdf.pages) {
            if (page.number > 1)
                writer.newPage();
            painter.setFont(text);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(0, 0, body.width(), headHeight), Qt::AlignLeft | Qt::AlignVCenter, utf8(pdf.pageHead));
            painter.drawLine(QPointF(0, headHeight - 4), QPointF(body.width(), headHeight - 4));
            painter.drawText(QRectF(0, headHeight + body.height(), body.width(), headHeight),
                             Qt::AlignRight | Qt::AlignVCenter, utf8(page.foot));
            painter.save();
            painter.translate(0, headHeight - page.top);
            doc.drawContents(&painter, QRectF(0, page.top, body.width(), body.height()));
            painter.restore();
        }
        return painter.end();
    });
    if (!written && error)
        *error = QString::fromStdString(quill::FileErrorReport(written, target, quill::FileAction::Pdf));
    return bool(written);
}
