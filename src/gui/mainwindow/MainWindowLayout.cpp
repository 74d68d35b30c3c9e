// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: where they sit, how they look, what they say.
#include "gui/app/AppFonts.h"
#include "core/AppInfo.h"
#include "gui/app/Icons.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/app/ShadowLabel.h"
#include "gui/mainwindow/WindowCommands.h"
#include "core/config/WorkFolder.h"
#include "core/ledger/LedgerEntry.h"
#include "gui/editor/EntryFields.h"
#include "gui/editor/EntryPanel.h"
#include "gui/support/AccessibleRoles.h"
#include "gui/view/FitLabel.h"
#include "gui/view/LedgerTableModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kWindowWidth = 1042;
constexpr int kWindowHeight = 689;
constexpr int kTitleHeight = 22;
constexpr int kBandHeight = 138;
constexpr int kUpperRowTop = 3;
constexpr int kUpperRowHeight = 32;
constexpr int kLowerRowTop = kUpperRowTop + kUpperRowHeight;
constexpr int kLowerRowHeight = 100;
constexpr int kInfoPanelWidth = 223;
constexpr int kEntryPanelWidth = 802;
constexpr int kEntryPanelHeight = 67;
constexpr int kGridBorder = 3;
constexpr int kTotalsBarHeight = 26;
constexpr int kGridRowHeight = 18;

// The grid columns of the date and the six amounts.
bool isFigureColumn(int c) { return c == 0 || (c >= 3 && c <= 8); }

void setColor(QWidget* w, QPalette::ColorRole role, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

QLabel* plainLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font, const QColor& color)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    setColor(l, QPalette::WindowText, color);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QToolButton* pictureButton(QWidget* parent, const char* name, icons::Kind kind, const QString& tooltip)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(icons::icon(kind));
    b->setIconSize(QSize(18, 18));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    if (!tooltip.isEmpty())
        b->setToolTip(tooltip);
    return b;
}

void filterBackground(QWidget* w)
{
    setColor(w, QPalette::Base, QColor(222, 249, 254));
}

} // namespace

void Tmainf::buildLayout()
{
    setObjectName(QStringLiteral("mainf"));
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setWindowIcon(icons::icon(icons::Kind::Program));
    setFont(appfonts::pixelFont(appfonts::gulim(), 12));
    setColor(this, QPalette::Window, palette().color(QPalette::Button));
    setAutoFillBackground(true);
    // The layout's own size until start-up applies the stored one, which
    // then stays fixed: the window manager cannot resize it either.
    setFixedSize(kWindowWidth, kWindowHeight);

    // --- title strip --------------------------------------------------------
    auto* title = new QLabel(this);
    TopTitle = title;
    title->setObjectName(QStringLiteral("TopTitle"));
    title->setAutoFillBackground(true);
    setColor(title, QPalette::Window, QColor(13, 90, 132));
    setColor(title, QPalette::WindowText, QColor(255, 255, 0));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title->setText(QStringLiteral("       간편장부작성  ") + QString::fromUtf8(kHomePageAddress));
    title->setGeometry(0, 0, width(), kTitleHeight);

    iconBtn = new QToolButton(title);
    iconBtn->setObjectName(QStringLiteral("iconBtn"));
    iconBtn->setIcon(icons::icon(icons::Kind::Program));
    iconBtn->setIconSize(QSize(16, 16));
    iconBtn->setAutoRaise(true);
    iconBtn->setFocusPolicy(Qt::NoFocus);
    iconBtn->setGeometry(1, 3, 19, 19);
    iconBtn->setStyleSheet(QStringLiteral("QToolButton { background: transparent; border: none; }"));
    // The configuration file's name lives here and nowhere else.
    iconBtn->setStatusTip(QString::fromLatin1(quill::kConfigFileName));

    mExit0 = new QToolButton(title);
    mExit0->setObjectName(QStringLiteral("mExit0"));
    mExit0->setIcon(icons::icon(icons::Kind::Close));
    mExit0->setIconSize(QSize(12, 12));
    mExit0->setAutoRaise(true);
    mExit0->setFocusPolicy(Qt::NoFocus);
    mExit0->setToolTip(QStringLiteral("종료"));
    // The style's raised hover panel is nearly white, and so is the "x": on
    // the dark strip the button lights up red instead, the "x" staying white.
    mExit0->setStyleSheet(QStringLiteral("QToolButton#mExit0 { background: transparent; border: none; }"
                                         "QToolButton#mExit0:hover { background: rgb(196, 43, 28); }"
                                         "QToolButton#mExit0:pressed { background: rgb(150, 30, 20); }"));
    mExit0->setGeometry(width() - 27, 4, 20, 15);

    // --- tool band ------------------------------------------------------------
    mColBar = new QWidget(this);
    mColBar->setObjectName(QStringLiteral("mColBar"));
    mColBar->setAutoFillBackground(true);
    mColBar->setGeometry(0, kTitleHeight, width(), kBandHeight);

    dxContainer3 = new QWidget(mColBar);
    dxContainer3->setObjectName(QStringLiteral("dxContainer3"));
    dxContainer3->setGeometry(0, kUpperRowTop, width(), kUpperRowHeight);

    TagetTg = new ShadowLabel(QStringLiteral("구분:") + QString(23, QLatin1Char(' ')) + QStringLiteral("년") +
                                  QString(10, QLatin1Char(' ')) + QStringLiteral("월"),
                              QColor(255, 255, 128), QPoint(1, -1), dxContainer3);
    TagetTg->setObjectName(QStringLiteral("TagetTg"));
    TagetTg->setFont(appfonts::pixelFont(appfonts::gulim(), 12, true));
    setColor(TagetTg, QPalette::WindowText, QColor(0, 0, 160));
    TagetTg->setGeometry(3, 9, 226, 13);

    CmGbn = new QComboBox(dxContainer3);
    CmGbn->setObjectName(QStringLiteral("CmGbn"));
    CmGbn->setEditable(true);
    CmGbn->setInsertPolicy(QComboBox::NoInsert);
    CmGbn->setCompleter(nullptr);
    CmGbn->addItem(QString::fromUtf8(quill::kAllCategoriesName));
    for (quill::Category c : quill::kCategories)
        CmGbn->addItem(QString::fromUtf8(quill::categoryName(c)));
    CmGbn->setGeometry(37, 6, 48, 20);
    filterBackground(CmGbn);

    YerEdit = new YearBox(dxContainer3);
    YerEdit->setObjectName(QStringLiteral("YerEdit"));
    YerEdit->setGeometry(92, 6, 54, 20);
    filterBackground(YerEdit);

    gCombo = new MonthBox(dxContainer3);
    gCombo->setObjectName(QStringLiteral("gCombo"));
    gCombo->setMaxVisibleItems(19);
    gCombo->setGeometry(167, 6, 43, 20);
    filterBackground(gCombo);
    // "년" and "월" just behind the year box and the month list.
    TagetTg->placeWords({0, YerEdit->geometry().right() + 5 - TagetTg->x(),
                         gCombo->geometry().right() + 4 - TagetTg->x()});

    fNameLabl = new QLabel(dxContainer3);
    fNameLabl->setObjectName(QStringLiteral("fNameLabl"));
    fNameLabl->setFont(appfonts::pixelFont(appfonts::dotum(), 12));
    setColor(fNameLabl, QPalette::WindowText, QColor(0, 0, 64));
    fNameLabl->move(238, 13);
    fnameBevl = new QFrame(dxContainer3);
    fnameBevl->setObjectName(QStringLiteral("fnameBevl"));
    fnameBevl->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    fnameBevl->setLineWidth(1);
    fnameBevl->setGeometry(237, 26, 2, 2);

    HelpBtn = pictureButton(dxContainer3, "HelpBtn", icons::Kind::Help, QStringLiteral("Help"));
    HelpBtn->setStatusTip(QStringLiteral("도움말 내용을 보여줍니다."));
    dDTZIP = pictureButton(dxContainer3, "dDTZIP", icons::Kind::Download, QStringLiteral("자료받기"));
    DgaBtn = pictureButton(dxContainer3, "DgaBtn", icons::Kind::Home, QString::fromUtf8(kHomePageAddress));
    Hinfo = pictureButton(dxContainer3, "Hinfo", icons::Kind::About, {});
    QuitBtn = pictureButton(dxContainer3, "QuitBtn", icons::Kind::Quit, {});
    QuitBtn->setStatusTip(QStringLiteral("간편장부 작업을 종료합니다."));
    for (QToolButton* b : {HelpBtn, dDTZIP, DgaBtn, Hinfo})
        b->resize(25, 25);
    QuitBtn->resize(26, 25);

    // --- lower row: toolbar, entry panel, information panel -------------------
    TpPnl0 = new QWidget(mColBar);
    TpPnl0->setObjectName(QStringLiteral("TpPnl0"));
    TpPnl0->setGeometry(0, kLowerRowTop, width(), kLowerRowHeight);

    struct ToolSpec {
        QToolButton** button;
        const char* name;
        icons::Kind kind;
        int left;
        int width;
        const char* caption;
        const char* tooltip;
    };
    const ToolSpec tools[] = {
        {&HFileOpen, "HFileOpen", icons::Kind::Open, 4, 25, "", "파일열기"},
        {&NewFile, "NewFile", icons::Kind::New, 29, 25, "", "새파일"},
        {&SaveBtn, "SaveBtn", icons::Kind::Save, 54, 25, "", "자료저장"},
        {&RnameBtn, "RnameBtn", icons::Kind::SaveAs, 79, 25, "", "딴이름으로저장"},
        {&FileAdd, "FileAdd", icons::Kind::AddFile, 113, 78, "파일추가", "파일추가"},
        {&BtnApp, "BtnApp", icons::Kind::Add, 202, 68, "(F2)", "자료추가"},
        {&BtnEdt, "BtnEdt", icons::Kind::Edit, 274, 68, "(F3)", "자료수정"},
        {&BtnDel, "BtnDel", icons::Kind::Delete, 344, 68, "(Delete)", "자료삭제"},
        {&PrtBtn, "PrtBtn", icons::Kind::Export, 417, 48, "출력", "엑셀전송"},
        {&FilingBtn, "FilingBtn", icons::Kind::Filing, 467, 76, "신고자료", "신고자료 (참고용, Ctrl+T)"},
        {&PrintBtn, "PrintBtn", icons::Kind::Print, 545, 52, "인쇄", "인쇄 (Ctrl+Shift+P)"},
        {&ImportBtn, "ImportBtn", icons::Kind::AddFile, 599, 72, "가져오기", "카드·은행·홈택스 내역 가져오기 (Ctrl+I)"},
    };
    for (const ToolSpec& t : tools) {
        QToolButton* b = pictureButton(TpPnl0, t.name, t.kind, QString::fromUtf8(t.tooltip));
        b->setIconSize(QSize(16, 16));
        const QString caption = QString::fromUtf8(t.caption);
        if (!caption.isEmpty()) {
            b->setText(caption);
            b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        b->setGeometry(t.left, 4, t.width, 27);
        *t.button = b;
    }

    // The entry panel under a raised line; the next step brings it to life.
    auto* entryLine = new QFrame(TpPnl0);
    entryLine->setObjectName(QStringLiteral("TpPnl3Line"));
    entryLine->setFrameStyle(QFrame::Panel | QFrame::Raised);
    entryLine->setLineWidth(1);
    entryLine->setGeometry(0, kLowerRowHeight - kEntryPanelHeight - 5, kEntryPanelWidth, 5);
    TpPnl3 = new EntryPanel(TpPnl0);
    TpPnl3->setGeometry(0, kLowerRowHeight - kEntryPanelHeight, kEntryPanelWidth, kEntryPanelHeight);
    TpPnl3->setDialogs(context_.dialogs);
    TpPnl3->setEnabled(false);

    TpPnl2 = new QFrame(TpPnl0);
    TpPnl2->setObjectName(QStringLiteral("TpPnl2"));
    TpPnl2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    TpPnl2->setAutoFillBackground(true);
    TpPnl2->setGeometry(width() - kInfoPanelWidth, 0, kInfoPanelWidth, kLowerRowHeight);
    const QFont dotum = appfonts::pixelFont(appfonts::dotum(), 12);
    plainLabel(TpPnl2, QStringLiteral("※ 작업 내용을 엑셀 파일로 출력하면"), 11, 24, dotum, QColor(0, 0, 64));
    plainLabel(TpPnl2, QStringLiteral("간편장부 형태로 만들어집니다."), 29, 41, dotum, QColor(0, 0, 64));
    auto* countFrame = new QFrame(TpPnl2);
    countFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    countFrame->setGeometry(15, 73, 102, 22);
    CntLbe = new FitLabel(TpPnl2);
    CntLbe->setObjectName(QStringLiteral("CntLbe"));
    CntLbe->setFont(appfonts::pointFont(appfonts::batang(), 9));
    setColor(CntLbe, QPalette::WindowText, QColor(64, 0, 64));
    CntLbe->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CntLbe->setGeometry(36, 79, 43, 12);

    NavAcunt = new QWidget(TpPnl2);
    NavAcunt->setObjectName(QStringLiteral("NavAcunt"));
    NavAcunt->setGeometry(133, 72, 84, 25);
    const icons::Kind navKinds[4] = {icons::Kind::First, icons::Kind::Prior, icons::Kind::Next, icons::Kind::Last};
    const char* navTips[4] = {"처음 자료", "이전 자료", "다음 자료", "마지막 자료"};
    for (int i = 0; i < 4; ++i) {
        NavButtons[i] = pictureButton(NavAcunt, "NavButton", navKinds[i], QString::fromUtf8(navTips[i]));
        NavButtons[i]->setObjectName(QStringLiteral("NavButton%1").arg(i));
        NavButtons[i]->setIconSize(QSize(14, 14));
        NavButtons[i]->setGeometry(i * 21, 0, 21, 25);
    }

    // --- grid area ------------------------------------------------------------
    mainPanl = new QWidget(this);
    mainPanl->setObjectName(QStringLiteral("mainPanl"));

    GrdAcunt = new QTableView(mainPanl);
    GrdAcunt->setObjectName(QStringLiteral("GrdAcunt"));
    gridModel = new LedgerTableModel(TAcunt, this);
    GrdAcunt->setModel(gridModel);
    GrdAcunt->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrdAcunt->setSelectionMode(QAbstractItemView::SingleSelection);
    GrdAcunt->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrdAcunt->setTabKeyNavigation(false);
    GrdAcunt->setWordWrap(false);
    GrdAcunt->setCornerButtonEnabled(false);
    GrdAcunt->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed row heights keep a million rows as cheap as ten.
    QHeaderView* rowsHeader = GrdAcunt->verticalHeader();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setMinimumSectionSize(kGridRowHeight);
    rowsHeader->setDefaultSectionSize(kGridRowHeight);
    rowsHeader->setFixedWidth(14);
    rowsHeader->setHighlightSections(false);
    QHeaderView* columns = GrdAcunt->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setFixedHeight(kGridRowHeight + 2);
    // The widths suit "굴림", where a date just fills its column; a wider
    // stand-in font widens the date and amount columns alike so that dates
    // and amounts still fit. The two text columns, which have room to spare,
    // give that width back in proportion, so all ten columns still fit the
    // window's default width.
    const int dateWidth = GrdAcunt->fontMetrics().horizontalAdvance(QStringLiteral("2009.01.05")) + 8;
    const double scale = std::max(1.0, dateWidth / double(LedgerTableModel::columnWidth(0)));
    int gained = 0;
    for (int c = 0; c < LedgerTableModel::kColumnCount; ++c) {
        const int designed = LedgerTableModel::columnWidth(c);
        const int width = isFigureColumn(c) ? qRound(designed * scale) : designed;
        gained += width - designed;
        GrdAcunt->setColumnWidth(c, width);
    }
    const int description = LedgerTableModel::columnWidth(1);
    const int counterparty = LedgerTableModel::columnWidth(2);
    const int fromDescription = gained * description / (description + counterparty);
    GrdAcunt->setColumnWidth(1, description - fromDescription);
    GrdAcunt->setColumnWidth(2, counterparty - (gained - fromDescription));
    // An amount wider than its column shrinks rather than losing digits.
    GrdAcunt->setItemDelegate(new FitTextDelegate(GrdAcunt));
    showGridFocus(false);

    // --- totals bar --------------------------------------------------------------
    BtmPanl = new QWidget(mainPanl);
    BtmPanl->setObjectName(QStringLiteral("BtmPanl"));
    BtmPanl->setAutoFillBackground(true);
    setColor(BtmPanl, QPalette::Window, QColor(0, 128, 192));

    const QFont marker = appfonts::pixelFont(appfonts::gulim(), 12);
    auto* start = new ShadowLabel(QStringLiteral(">>>  "), Qt::black, QPoint(1, 1), BtmPanl);
    start->setFont(marker);
    setColor(start, QPalette::WindowText, Qt::white);
    start->setGeometry(14, 5, 40, 16);

    struct TotalSpec {
        const char* caption;
        int captionLeft;
        int valueLeft;
        int valueWidth;
    };
    const TotalSpec totals[6] = {{"수입", 101, 131, 85}, {"세액", 233, 263, 80}, {"비용", 376, 408, 85},
                                 {"세액", 512, 544, 80}, {"자산", 659, 689, 85}, {"세액", 792, 822, 80}};
    const QFont small = appfonts::pointFont(appfonts::gulim(), 9);
    for (int i = 0; i < 6; ++i) {
        QLabel* caption = plainLabel(BtmPanl, QString::fromUtf8(totals[i].caption), totals[i].captionLeft, 0, small,
                                     QColor(244, 255, 255));
        caption->move(totals[i].captionLeft, (kTotalsBarHeight - caption->height()) / 2);
        auto* value = new FitLabel(BtmPanl);
        value->setObjectName(QStringLiteral("Bmxsm%1").arg(i + 1));
        value->setFont(small);
        value->setAutoFillBackground(true);
        setColor(value, QPalette::Window, QColor(232, 243, 255));
        setColor(value, QPalette::WindowText, QColor(0, 0, 64));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setGeometry(totals[i].valueLeft, (kTotalsBarHeight - 15) / 2, totals[i].valueWidth, 15);
        Bmxsm[i] = value;
    }
    auto* end = new ShadowLabel(QStringLiteral("◐"), Qt::black, QPoint(1, 1), BtmPanl);
    LaEnd0 = end;
    end->setObjectName(QStringLiteral("LaEnd0"));
    end->setFont(appfonts::pixelFont(appfonts::gulim(), 12, true));
    setColor(end, QPalette::WindowText, Qt::white);
    end->resize(18, 16);

    setFileNameLabel(QString::fromUtf8(quill::kUntitledName));
    FormResize();
    nameControlsForScreenReaders();
}

void Tmainf::showGridFocus(bool focused)
{
    // The selection stays visible when the grid loses the focus, in grey;
    // the desktop's highlight colour says the keys go to the grid. Item
    // views colour by the window's activity only, so the grid's own focus
    // sets the colours.
    const QPalette app = QApplication::palette(GrdAcunt);
    const QColor grey(200, 200, 200);
    QPalette gp = GrdAcunt->palette();
    gp.setColor(QPalette::Active, QPalette::Highlight, focused ? app.color(QPalette::Active, QPalette::Highlight) : grey);
    gp.setColor(QPalette::Active, QPalette::HighlightedText,
                focused ? app.color(QPalette::Active, QPalette::HighlightedText) : QColor(Qt::black));
    gp.setColor(QPalette::Inactive, QPalette::Highlight, grey);
    gp.setColor(QPalette::Inactive, QPalette::HighlightedText, QColor(Qt::black));
    GrdAcunt->setPalette(gp);
}

void Tmainf::FormResize()
{
    if (!TopTitle)
        return;
    const int W = width();
    const int H = height();
    TopTitle->setGeometry(0, 0, W, kTitleHeight);
    mExit0->move(W - 27, 4);

    mColBar->setGeometry(0, kTitleHeight, W, kBandHeight);
    QPalette band = mColBar->palette();
    band.setBrush(QPalette::Window, QBrush(icons::bandBackground(mColBar->size())));
    mColBar->setPalette(band);
    dxContainer3->setGeometry(0, kUpperRowTop, W, kUpperRowHeight);
    TpPnl0->setGeometry(0, kLowerRowTop, W, kLowerRowHeight);
    TpPnl2->move(W - kInfoPanelWidth, 0);
    // A narrower window narrows the entry panel's spare room, so that the
    // count and the row buttons never cover its confirm and cancel buttons.
    TpPnl3->resize(qBound(0, W - kInfoPanelWidth - 2, kEntryPanelWidth), TpPnl3->height());

    QuitBtn->move(W - 56, 3);
    Hinfo->move(W - 84, 3);
    DgaBtn->move(W - 110, 3);
    dDTZIP->move(W - 136, 3);
    HelpBtn->move(W - 163, 3);

    const int gridTop = kTitleHeight + kBandHeight;
    mainPanl->setGeometry(0, gridTop, W, qMax(0, H - gridTop));
    const int inner = qMax(0, W - 2 * kGridBorder);
    const int barTop = qMax(kGridBorder, mainPanl->height() - kGridBorder - kTotalsBarHeight);
    GrdAcunt->setGeometry(kGridBorder, kGridBorder, inner, qMax(0, barTop - kGridBorder));
    BtmPanl->setGeometry(kGridBorder, barTop, inner, kTotalsBarHeight);
    LaEnd0->move(W - 35 - kGridBorder, 5);
    placeFindBar();
}


void Tmainf::nameControlsForScreenReaders()
{
    // Picture buttons have no caption: a screen reader announces their
    // tooltip, or what they do where they have none.
    installAccessibleRoles();
    setAccessibleName(QString::fromUtf8(kProgramTitle));
    iconBtn->setAccessibleName(QString::fromUtf8(kProgramTitle));
    mExit0->setAccessibleName(QStringLiteral("닫기"));
    // A command's buttons are named by the command (the tooltips of some
    // are English or an address).
    for (const WindowCommand& command : windowCommands())
        for (QToolButton* Tmainf::*member : command.buttons)
            if ((this->*member)->accessibleName().isEmpty())
                (this->*member)->setAccessibleName(QString::fromUtf8(command.name));
    DgaBtn->setAccessibleDescription(QString::fromUtf8(kHomePageAddress));
    nameComboBox(CmGbn, QStringLiteral("구분"));
    YerEdit->setAccessibleName(QStringLiteral("년도"));
    nameComboBox(gCombo, QStringLiteral("월"));
    GrdAcunt->setAccessibleName(QStringLiteral("장부"));
    refreshAccessibleInterface(TpPnl3->mTotmy);
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        if (!b->accessibleName().isEmpty())
            continue;
        const QString name = !b->toolTip().isEmpty() ? b->toolTip() : b->text();
        b->setAccessibleName(name);
    }
    static const char* const kTotals[6] = {"수입 합계", "수입 세액 합계", "비용 합계", "비용 세액 합계",
                                           "자산 합계", "자산 세액 합계"};
    for (int i = 0; i < 6; ++i)
        Bmxsm[i]->setAccessibleDescription(QString::fromUtf8(kTotals[i]));
    CntLbe->setAccessibleDescription(QStringLiteral("자료 건수"));
}