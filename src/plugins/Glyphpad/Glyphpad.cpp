// SPDX-License-Identifier: GPL-3.0-or-later
// The special-character picker, one of our helper libraries: the program
// loads it for one call of PickGlyph and unloads it right after, so every
// window and object made here is gone before the call returns, and nothing
// of this library may stay registered with Qt: no type of our own or of a
// template instantiated here goes into a QVariant (the alignment is stored
// as a plain int), as Qt would keep it past the unload.
#include "plugins/Glyphpad/GlyphTable.h"
#include "plugins/common/PluginSupport.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <optional>

namespace {

constexpr int kColumns = 14;
constexpr int kCell = 38;

// A font that draws every character offered: the Nanum fonts hold the
// whole of CP949's symbol rows.
QFont GlyphFont(int pixels)
{
    QFont font = QApplication::font();
    for (const char* family : {"NanumGothic", "NanumBarunGothic", "NanumMyeongjo"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font = QFont(QString::fromLatin1(family));
            break;
        }
    }
    font.setPixelSize(pixels);
    return font;
}

// Every page's grid is as large as the longest page needs, so no page
// scrolls and the picker keeps its size from page to page.
QTableWidget* MakeGrid(const glyphpad::GlyphPage& page, const QFont& font, int rows)
{
    const int count = static_cast<int>(page.glyphs.size());
    auto* grid = new QTableWidget((count + kColumns - 1) / kColumns, kColumns);
    grid->setObjectName(QStringLiteral("glyphGrid"));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(kCell);
    grid->verticalHeader()->setDefaultSectionSize(kCell);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(false);
    grid->setFont(font);
    grid->setAccessibleName(QString::fromStdString(page.name));
    for (int i = 0; i < grid->rowCount() * kColumns; ++i) {
        auto* item = new QTableWidgetItem;
        if (i < count) {
            item->setText(QString::fromStdString(page.glyphs[static_cast<std::size_t>(i)]));
            item->setData(Qt::TextAlignmentRole, static_cast<int>(Qt::AlignCenter));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        } else {
            item->setFlags(Qt::NoItemFlags);  // the last row's empty places
        }
        grid->setItem(i / kColumns, i % kColumns, item);
    }
    grid->setCurrentCell(0, 0);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * grid->frameWidth();
    grid->setFixedSize(kColumns * kCell + frame, rows * kCell + frame);
    return grid;
}

QString CurrentGlyph(QTabWidget* tabs)
{
    auto* grid = qobject_cast<QTableWidget*>(tabs->currentWidget());
    QTableWidgetItem* item = grid ? grid->currentItem() : nullptr;
    return item && (item->flags() & Qt::ItemIsSelectable) ? item->text() : QString();
}

// Keys of the whole picker: Tab and Page Down (and Ctrl+Tab, Ctrl+Page
// Down) go to the next page, their Shift or Up forms back; Enter chooses.
class PickerKeys : public QObject {
public:
    PickerKeys(QDialog* dialog, QTabWidget* tabs) : QObject(dialog), dialog_(dialog), tabs_(tabs) {}
    std::optional<std::string> choice;

    void choose()
    {
        const QString glyph = CurrentGlyph(tabs_);
        if (glyph.isEmpty())
            return;
        choice = glyph.toStdString();
        dialog_->accept();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        int step = 0;
        switch (key->key()) {
        case Qt::Key_Tab:
            step = (key->modifiers() & Qt::ShiftModifier) ? -1 : 1;
            break;
        case Qt::Key_Backtab:
        case Qt::Key_PageUp:
            step = -1;
            break;
        case Qt::Key_PageDown:
            step = 1;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose();
            return true;
        case Qt::Key_Escape:
            dialog_->reject();
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
        tabs_->setCurrentIndex(glyphpad::StepPage(tabs_->currentIndex(), step, tabs_->count()));
        return true;
    }

private:
    QDialog* dialog_;
    QTabWidget* tabs_;
};

std::optional<std::string> RunPicker()
{
    QDialog dialog(plugin::hostWindow());
    dialog.setObjectName(QStringLiteral("Glyphpad"));
    dialog.setWindowTitle(QStringLiteral("특수 문자"));
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* tabs = new QTabWidget(&dialog);
    tabs->setObjectName(QStringLiteral("glyphPages"));
    tabs->setFocusPolicy(Qt::NoFocus);  // the grid keeps the keyboard
    auto* keys = new PickerKeys(&dialog, tabs);
    const QFont font = GlyphFont(20);
    std::size_t longest = 0;
    for (const glyphpad::GlyphPage& page : glyphpad::GlyphPages())
        longest = std::max(longest, page.glyphs.size());
    const int rows = static_cast<int>((longest + kColumns - 1) / kColumns);
    for (const glyphpad::GlyphPage& page : glyphpad::GlyphPages()) {
        QTableWidget* grid = MakeGrid(page, font, rows);
        grid->installEventFilter(keys);
        QObject::connect(grid, &QTableWidget::cellDoubleClicked, keys, [keys] { keys->choose(); });
        tabs->addTab(grid, QString::fromStdString(page.name));
    }
    tabs->tabBar()->installEventFilter(keys);
    dialog.installEventFilter(keys);

    // The character under the cursor, large, beside the keys' hint.
    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("glyphPreview"));
    preview->setFont(GlyphFont(40));
    preview->setAlignment(Qt::AlignCenter);
    preview->setFixedSize(64, 56);
    preview->setFrameShape(QFrame::StyledPanel);
    auto* hint = new QLabel(QStringLiteral("방향키로 고르고 Enter 또는 두 번 눌러 넣습니다.\n"
                                           "Tab, PageDown: 다음 쪽   Shift+Tab, PageUp: 앞 쪽   Esc: 닫기"),
                            &dialog);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("넣기"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    for (QPushButton* b : {ok, cancel})
        b->setFocusPolicy(Qt::NoFocus);
    QObject::connect(ok, &QPushButton::clicked, keys, [keys] { keys->choose(); });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto showCurrent = [tabs, preview] { preview->setText(CurrentGlyph(tabs)); };
    for (int i = 0; i < tabs->count(); ++i)
        QObject::connect(static_cast<QTableWidget*>(tabs->widget(i)), &QTableWidget::currentCellChanged, preview,
                         showCurrent);
    QObject::connect(tabs, &QTabWidget::currentChanged, preview, [tabs, showCurrent] {
        if (QWidget* grid = tabs->currentWidget())
            grid->setFocus();
        showCurrent();
    });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(preview);
    bottom->addWidget(hint, 1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(tabs);
    layout->addLayout(bottom);

    showCurrent();
    tabs->currentWidget()->setFocus();
    dialog.exec();
    return keys->choice;
}

} // namespace

QB_PLUGIN_ENTRY void PickGlyph()
{
    // Only a program with its window system running can show the picker.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    const std::optional<std::string> choice = RunPicker();
    QGuiApplication::clipboard()->setText(QString::fromStdString(glyphpad::PickResult(choice)));
}
