// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/statement/StatementPreview.h"

#include "gui/app/UserDialogs.h"
#include "gui/statement/ImportRowsModel.h"
#include "core/statement/StatementValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kNewProfile = "\x01new";
// Lists up to this many cells (some 25 MB) stay in memory while the
// preview is open.
constexpr std::size_t kCellsKept = 500000;

// The 구분 column is edited with the three categories to choose from.
class CategoryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* box = new QComboBox(parent);
        for (quill::Category c : quill::kCategories)
            box->addItem(QString::fromUtf8(quill::categoryName(c)));
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
    }
};

QComboBox* categoryBox(QWidget* parent, bool withDirection)
{
    auto* box = new QComboBox(parent);
    for (quill::Category c : quill::kCategories)
        box->addItem(QString::fromUtf8(quill::categoryName(c)), static_cast<int>(c));
    if (withDirection)
        box->addItem(QStringLiteral("입출금에 따름"), -1);
    // Statements are mostly card spending: an expense until chosen otherwise.
    box->setCurrentIndex(box->findData(static_cast<int>(quill::Category::Expense)));
    return box;
}

constexpr const char* kTitle = "가져오기";

} // namespace

StatementPreview::StatementPreview(Setup setup, QWidget* parent) : QDialog(parent), setup_(std::move(setup))
{
    setObjectName(QStringLiteral("StatementPreview"));
    setWindowTitle(QStringLiteral("가져오기 - ") + QFileInfo(setup_.path).fileName());
    resize(1200, 620);
    const std::string ini = setup_.configPath.toStdString();
    profiles_ = quill::AllProfiles(ini);
    rules_ = quill::ReadImportRules(ini);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("틀:"), this));
    profileBox = new QComboBox(this);
    profileBox->setObjectName(QStringLiteral("profileBox"));
    profileBox->setMinimumWidth(260);
    profileBox->setAccessibleName(QStringLiteral("틀"));
    top->addWidget(profileBox);
    sheetBox = new QComboBox(this);
    sheetBox->setObjectName(QStringLiteral("sheetBox"));
    sheetBox->setAccessibleName(QStringLiteral("시트"));
    for (const auto& s : setup_.book.sheets)
        sheetBox->addItem(QString::fromStdString(s.name));
    auto* sheetLabel = new QLabel(QStringLiteral("시트:"), this);
    top->addWidget(sheetLabel);
    top->addWidget(sheetBox);
    sheetLabel->setVisible(setup_.book.sheets.size() > 1);
    sheetBox->setVisible(setup_.book.sheets.size() > 1);
    encodingNote = new QLabel(QStringLiteral("글자 인코딩이 확실하지 않습니다:"), this);
    encodingBox = new QComboBox(this);
    encodingBox->setObjectName(QStringLiteral("encodingBox"));
    encodingBox->setAccessibleName(QStringLiteral("글자 인코딩"));
    encodingBox->addItem(QStringLiteral("UTF-8"), static_cast<int>(quill::StatementEncoding::Utf8));
    encodingBox->addItem(QStringLiteral("CP949 (완성형)"), static_cast<int>(quill::StatementEncoding::Cp949));
    encodingBox->addItem(QStringLiteral("UTF-16"), static_cast<int>(quill::StatementEncoding::Utf16));
    encodingBox->setCurrentIndex(encodingBox->findData(static_cast<int>(setup_.book.encoding)));
    const bool askEncoding = setup_.book.format == quill::StatementFormat::Delimited && setup_.book.encodingUnsure;
    encodingNote->setVisible(askEncoding);
    encodingBox->setVisible(askEncoding);
    top->addWidget(encodingNote);
    top->addWidget(encodingBox);
    top->addStretch();
    layout->addLayout(top);

    // Making a profile: one meaning per column, and what the rows get.
    mappingPanel = new QWidget(this);
    mappingPanel->setObjectName(QStringLiteral("mappingPanel"));
    auto* mapping = new QVBoxLayout(mappingPanel);
    mapping->setContentsMargins(0, 0, 0, 0);
    mapping->addWidget(new QLabel(QStringLiteral("열마다 뜻을 고르세요:"), mappingPanel));
    mappingTable = new QTableWidget(2, 0, mappingPanel);
    mappingTable->setObjectName(QStringLiteral("mappingTable"));
    mappingTable->verticalHeader()->hide();
    mappingTable->horizontalHeader()->hide();
    mappingTable->setFixedHeight(72);
    mapping->addWidget(mappingTable);
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(new QLabel(QStringLiteral("틀 이름:"), mappingPanel));
    profileName = new QLineEdit(mappingPanel);
    profileName->setAccessibleName(QStringLiteral("틀 이름"));
    profileRow->addWidget(profileName);
    profileRow->addWidget(new QLabel(QStringLiteral("구분:"), mappingPanel));
    profileCategory = categoryBox(mappingPanel, true);
    profileCategory->setAccessibleName(QStringLiteral("틀의 구분"));
    profileRow->addWidget(profileCategory);
    profileRow->addWidget(new QLabel(QStringLiteral("증빙:"), mappingPanel));
    profileRemark = new QLineEdit(mappingPanel);
    profileRemark->setAccessibleName(QStringLiteral("틀의 증빙"));
    profileRow->addWidget(profileRemark);
    profileVat = new QCheckBox(QStringLiteral("부가세 포함: 10/110"), mappingPanel);
    profileRow->addWidget(profileVat);
    saveProfileButton = new QPushButton(QStringLiteral("틀 저장"), mappingPanel);
    profileRow->addWidget(saveProfileButton);
    mapping->addLayout(profileRow);
    layout->addWidget(mappingPanel);
    mappingPanel->hide();

    view = new QTableView(this);
    view->setObjectName(QStringLiteral("importView"));
    model = new ImportRowsModel(plan_.rows, index_, this);
    view->setModel(model);
    view->setItemDelegateForColumn(ImportRowsModel::CategoryColumn, new CategoryDelegate(view));
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(22);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    const int widths[ImportRowsModel::ColumnCount] = {36, 56, 82, 190, 150, 44, 92, 76, 76, 170, 220};
    for (int c = 0; c < ImportRowsModel::ColumnCount; ++c)
        view->setColumnWidth(c, widths[c]);
    layout->addWidget(view, 1);

    // A rule from the row in view: "거래처에 '주유' 포함 → 비용, 차량유지비".
    auto* ruleRow = new QHBoxLayout;
    ruleRow->addWidget(new QLabel(QStringLiteral("규칙: 거래처에"), this));
    ruleWord = new QLineEdit(this);
    ruleWord->setAccessibleName(QStringLiteral("규칙의 찾을 글자"));
    ruleRow->addWidget(ruleWord);
    ruleRow->addWidget(new QLabel(QStringLiteral("포함 →"), this));
    ruleCategory = categoryBox(this, false);
    ruleCategory->setAccessibleName(QStringLiteral("규칙의 구분"));
    ruleRow->addWidget(ruleCategory);
    ruleDescription = new QLineEdit(this);
    ruleDescription->setPlaceholderText(QStringLiteral("거래내용"));
    ruleDescription->setAccessibleName(QStringLiteral("규칙의 거래내용"));
    ruleRow->addWidget(ruleDescription);
    ruleRemark = new QLineEdit(this);
    ruleRemark->setPlaceholderText(QStringLiteral("증빙"));
    ruleRemark->setAccessibleName(QStringLiteral("규칙의 증빙"));
    ruleRow->addWidget(ruleRemark);
    saveRuleButton = new QPushButton(QStringLiteral("규칙 저장"), this);
    saveRuleButton->setAutoDefault(false);
    ruleRow->addWidget(saveRuleButton);
    layout->addLayout(ruleRow);

    auto* bottom = new QHBoxLayout;
    summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("summary"));
    bottom->addWidget(summary, 1);
    bookButton = new QPushButton(QStringLiteral("가져오기"), this);
    bookButton->setObjectName(QStringLiteral("bookButton"));
    // Enter books, as the default button of a dialog; Esc closes.
    bookButton->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("닫기"), this);
    close->setAutoDefault(false);
    saveProfileButton->setAutoDefault(false);
    bottom->addWidget(bookButton);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(profileBox, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        if (profileBox->currentData().toString() == QLatin1String(kNewProfile)) {
            showMapping(true);
            return;
        }
        showMapping(false);
        replan();
    });
    connect(sheetBox, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        replan();
        fillProfiles(profileBox->currentData().toString());
        // The panel shows the columns of the sheet in view, or goes.
        showMapping(!plan_.error.empty() && plan_.choices.empty());
    });
    connect(encodingBox, &QComboBox::currentIndexChanged, this, [this] { rereadWithEncoding(); });
    connect(saveProfileButton, &QPushButton::clicked, this, [this] { saveProfile(); });
    connect(saveRuleButton, &QPushButton::clicked, this, [this] { saveRule(); });
    connect(bookButton, &QPushButton::clicked, this, [this] { emit bookRequested(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(model, &ImportRowsModel::countsChanged, this, [this] { updateSummary(); });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { currentRowChanged(); });

    replan(true);
    fillProfiles(QString());
    if (!plan_.error.empty() && plan_.choices.empty())
        showMapping(true);
    // The keyboard starts in the rows: F2 or typing changes the current cell.
    view->setFocus(Qt::OtherFocusReason);
}

StatementPreview::~StatementPreview() = default;

void StatementPreview::fillProfiles(const QString& select)
{
    filling_ = true;
    profileBox->clear();
    profileBox->addItem(QStringLiteral("자동 (머리글이 맞는 틀)"), QString());
    const int sheet = std::max(0, sheetBox->currentIndex());
    if (static_cast<std::size_t>(sheet) < setup_.book.sheets.size())
        for (const quill::StatementProfile* p :
             quill::MatchingProfiles(setup_.book.sheets[static_cast<std::size_t>(sheet)], profiles_))
            profileBox->addItem(QString::fromStdString(p->name), QString::fromStdString(p->name));
    profileBox->addItem(QStringLiteral("새 틀 만들기…"), QString::fromLatin1(kNewProfile));
    const int at = select.isEmpty() ? 0 : profileBox->findData(select);
    profileBox->setCurrentIndex(at < 0 ? 0 : at);
    filling_ = false;
}

void StatementPreview::replan(bool anySheet)
{
    if (!wholeBook_) {
        quill::StatementReadOptions options;
        options.encoding = encodingChoice_;
        quill::StatementReadResult r = quill::ReadStatementFile(setup_.path.toStdString(), options);
        if (r.error) {
            if (setup_.dialogs)
                setup_.dialogs->showInfoTitled(QString::fromUtf8(kTitle), QString::fromStdString(r.error.message));
            return;
        }
        const bool unsure = setup_.book.encodingUnsure;
        setup_.book = std::move(r.book);
        setup_.book.encodingUnsure = unsure;
        wholeBook_ = true;
    }
    const QString chosen = profileBox->currentData().toString();
    const std::string name = chosen == QLatin1String(kNewProfile) ? std::string() : chosen.toStdString();
    plan_ = quill::PrepareImport(setup_.book, anySheet ? quill::kAnySheet : std::max(0, sheetBox->currentIndex()),
                                 profiles_, name);
    if (plan_.sheet != sheetBox->currentIndex() && plan_.sheet >= 0 && plan_.sheet < sheetBox->count()) {
        filling_ = true;
        sheetBox->setCurrentIndex(plan_.sheet);
        filling_ = false;
    }
    // Memory for the index: the rows are made, the cells of a big list can
    // go (another choice reads the file again). A small one stays whole.
    std::size_t cells = 0;
    for (const quill::StatementSheet& sheet : setup_.book.sheets)
        for (const auto& row : sheet.rows)
            cells += row.size();
    if (cells > kCellsKept) {
        quill::KeepHeadRows(setup_.book);
        wholeBook_ = false;
    }
    if (!indexed_ && setup_.table) {
        index_.build(*setup_.table);
        indexed_ = true;
    }
    quill::FinishImport(plan_, rules_, index_);
    model->reload();
    if (view->model()->rowCount() > 0)
        view->setCurrentIndex(model->index(0, ImportRowsModel::Description));
    bookButton->setEnabled(plan_.error.empty());
}

void StatementPreview::rereadWithEncoding()
{
    encodingChoice_ = static_cast<quill::StatementEncoding>(encodingBox->currentData().toInt());
    wholeBook_ = false;
    setup_.book.encodingUnsure = true;  // the user is choosing: keep the choice in view
    replan();
    fillProfiles(profileBox->currentData().toString());
}

void StatementPreview::showMapping(bool show)
{
    mappingPanel->setVisible(show);
    if (show)
        fillMapping();
}

void StatementPreview::fillMapping()
{
    const int sheet = std::max(0, sheetBox->currentIndex());
    mappingTable->setColumnCount(0);
    if (static_cast<std::size_t>(sheet) >= setup_.book.sheets.size())
        return;
    const quill::StatementSheet& s = setup_.book.sheets[static_cast<std::size_t>(sheet)];
    const int header = std::max(0, quill::FindHeaderRow(s));
    if (static_cast<std::size_t>(header) >= s.rows.size())
        return;
    const auto& cells = s.rows[static_cast<std::size_t>(header)];
    mappingTable->setColumnCount(static_cast<int>(cells.size()));
    // One column per meaning: a guess already given to a column on the
    // left is not proposed again.
    bool given[quill::kColumnRoleCount] = {};
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
        auto* item = new QTableWidgetItem(QString::fromStdString(cells[static_cast<std::size_t>(c)].text));
        item->setFlags(Qt::ItemIsEnabled);
        mappingTable->setItem(0, c, item);
        auto* box = new QComboBox(mappingTable);
        for (int r = 0; r < quill::kColumnRoleCount; ++r)
            box->addItem(QString::fromUtf8(quill::ColumnRoleName(static_cast<quill::ColumnRole>(r))), r);
        int role = static_cast<int>(quill::GuessColumnRole(cells[static_cast<std::size_t>(c)].text));
        if (role != 0 && given[role])
            role = 0;
        given[role] = true;
        box->setCurrentIndex(role);
        box->setAccessibleName(QStringLiteral("%1 열의 뜻").arg(item->text()));
        mappingTable->setCellWidget(1, c, box);
        mappingTable->setColumnWidth(c, 110);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] { roleChosen(box); });
    }
    proposeCategory();
    if (profileName->text().isEmpty())
        profileName->setText(QFileInfo(setup_.path).completeBaseName());
}

void StatementPreview::roleChosen(QComboBox* chosen)
{
    // A meaning chosen for one column leaves the column that had it.
    const int role = chosen->currentData().toInt();
    if (role != 0)
        for (int c = 0; c < mappingTable->columnCount(); ++c) {
            auto* box = qobject_cast<QComboBox*>(mappingTable->cellWidget(1, c));
            if (box && box != chosen && box->currentData().toInt() == role) {
                const QSignalBlocker quiet(box);
                box->setCurrentIndex(0);
            }
        }
    proposeCategory();
}

void StatementPreview::proposeCategory()
{
    // Money in and out in columns of their own (or one column and its
    // direction) is a bank's list: the category follows the money.
    bool direction = false;
    for (int c = 0; c < mappingTable->columnCount(); ++c)
        if (auto* box = qobject_cast<QComboBox*>(mappingTable->cellWidget(1, c))) {
            const auto role = static_cast<quill::ColumnRole>(box->currentData().toInt());
            direction = direction || role == quill::ColumnRole::Deposit || role == quill::ColumnRole::Withdrawal ||
                        role == quill::ColumnRole::Direction;
        }
    if (direction)
        profileCategory->setCurrentIndex(profileCategory->findData(-1));
}

bool StatementPreview::saveProfile()
{
    quill::StatementProfile p;
    p.name = profileName->text().trimmed().toStdString();
    std::vector<std::string> headers;
    for (int c = 0; c < mappingTable->columnCount(); ++c)
        headers.push_back(mappingTable->item(0, c) ? mappingTable->item(0, c)->text().toStdString() : std::string());
    const std::vector<std::string> bound = quill::NumberedHeaders(headers);
    for (int c = 0; c < mappingTable->columnCount(); ++c) {
        auto* box = qobject_cast<QComboBox*>(mappingTable->cellWidget(1, c));
        if (!box || !mappingTable->item(0, c) || box->currentData().toInt() == 0)
            continue;
        p.columns.push_back({static_cast<quill::ColumnRole>(box->currentData().toInt()),
                             bound[static_cast<std::size_t>(c)]});
    }
    auto fail = [this](const QString& text) {
        if (setup_.dialogs)
            setup_.dialogs->showInfoTitled(QString::fromUtf8(kTitle), text);
        return false;
    };
    if (const std::string problem = quill::ProfileProblem(p); !problem.empty())
        return fail(QString::fromStdString(problem));
    const int category = profileCategory->currentData().toInt();
    if (category < 0)
        p.categoryRule = quill::CategoryRule::ByDirection;
    else
        p.category = static_cast<quill::Category>(category);
    p.remark = profileRemark->text().trimmed().toStdString();
    p.vatIncluded = profileVat->isChecked();
    if (quill::IoResult r = quill::SaveProfile(setup_.configPath.toStdString(), p); !r)
        return fail(QString::fromStdString(r.message));
    profiles_ = quill::AllProfiles(setup_.configPath.toStdString());
    showMapping(false);
    fillProfiles(QString::fromStdString(p.name));
    replan();
    return true;
}

bool StatementPreview::saveRule()
{
    quill::ImportRule rule;
    rule.contains = ruleWord->text().trimmed().toStdString();
    rule.category = static_cast<quill::Category>(ruleCategory->currentData().toInt());
    rule.description = ruleDescription->text().trimmed().toStdString();
    rule.remark = ruleRemark->text().trimmed().toStdString();
    if (quill::IoResult r = quill::SaveImportRule(setup_.configPath.toStdString(), rule); !r) {
        if (setup_.dialogs)
            setup_.dialogs->showInfoTitled(QString::fromUtf8(kTitle), QString::fromStdString(r.message));
        return false;
    }
    rules_ = quill::ReadImportRules(setup_.configPath.toStdString());
    quill::ApplyImportRule(plan_.rows, rule);
    model->rowsChanged();
    return true;
}

void StatementPreview::currentRowChanged()
{
    const int row = view->currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= plan_.rows.size())
        return;
    const quill::ImportRow& r = plan_.rows[static_cast<std::size_t>(row)];
    ruleWord->setText(QString::fromStdString(r.counterparty));
    ruleCategory->setCurrentIndex(ruleCategory->findData(static_cast<int>(r.category)));
    ruleDescription->setText(QString::fromStdString(r.description));
    ruleRemark->setText(QString::fromStdString(r.remark));
}

void StatementPreview::updateSummary()
{
    if (!plan_.error.empty()) {
        summary->setText(QString::fromStdString(plan_.error));
        return;
    }
    int counts[4] = {0, 0, 0, 0};
    int ticked = 0;
    for (const quill::ImportRow& r : plan_.rows) {
        ++counts[static_cast<int>(r.status)];
        if (r.ticked && r.status != quill::ImportStatus::Error)
            ++ticked;
    }
    summary->setText(QStringLiteral("틀: %1 · 새 자료 %2건, 중복 %3건, 비슷함 %4건, 오류 %5건 · 가져올 자료 %6건")
                         .arg(QString::fromStdString(plan_.profile.name))
                         .arg(counts[0]).arg(counts[1]).arg(counts[2]).arg(counts[3]).arg(ticked));
}
