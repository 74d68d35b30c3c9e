// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/view/LedgerTableModel.h"

#include "core/text/Cp949.h"
#include "core/ledger/Money.h"
#include "core/ledger/WorkingTable.h"

#include <cmath>
#include <string_view>

namespace {

struct Column {
    const char* title;
    int width;
};

constexpr Column kColumns[LedgerTableModel::kColumnCount] = {
    {"날 짜", 60},  {"거 래 내 용", 250}, {"거  래  처", 180}, {"수 입", 63},     {"부가세", 60},
    {"비 용", 63}, {"부가세", 60},        {"자산증감", 63},   {"부가세", 60}, {"비 고", 60},
};

QString text(std::string_view cp949) { return QString::fromStdString(quill::decodeCp949(cp949)); }

} // namespace

LedgerTableModel::LedgerTableModel(const quill::WorkingTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table)
{
    generation_ = table_.generation();
    rows_ = table_.isOpen() ? table_.recordCount() : 0;
}

int LedgerTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int LedgerTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant LedgerTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || index.column() >= kColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole) {
        const bool money = index.column() >= 3 && index.column() <= 8;
        return QVariant::fromValue(Qt::AlignVCenter | (money ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role == Qt::AccessibleTextRole) {
        // A screen reader says which column a cell belongs to: "비용: 5,000".
        QString title = QString::fromUtf8(kColumns[index.column()].title);
        title.remove(QLatin1Char(' '));
        return title + QStringLiteral(": ") + data(index, Qt::DisplayRole).toString();
    }
    if (role != Qt::DisplayRole)
        return {};
    // Between a change of the table and the refresh that follows it the
    // rows may be gone: show nothing rather than read them.
    if (table_.generation() != generation_ || !table_.isOpen() || index.row() >= table_.recordCount())
        return {};
    const quill::LedgerEntry& e = table_.visibleRow(index.row());
    switch (index.column()) {
    case 0: return text(e.IDAY.view());
    case 1: return text(e.JKYU.view());
    case 2: return text(e.SANGHO.view());
    case 9: return text(e.ETC.view());
    default: return moneyText(quill::moneyValue(e, index.column() - 3));
    }
}

QVariant LedgerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= kColumnCount)
            return {};
        if (role == Qt::DisplayRole)
            return QString::fromUtf8(kColumns[section].title);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    }
    // The indicator column marks the current row.
    if (role == Qt::DisplayRole)
        return section == currentRow_ ? QStringLiteral("▶") : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags LedgerTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool LedgerTableModel::refresh()
{
    const int rows = table_.isOpen() ? table_.recordCount() : 0;
    if (table_.generation() == generation_ && rows == rows_)
        return false;
    beginResetModel();
    generation_ = table_.generation();
    rows_ = rows;
    currentRow_ = -1;
    endResetModel();
    return true;
}

void LedgerTableModel::setCurrentRow(int row)
{
    if (row >= rows_)
        row = -1;
    if (row == currentRow_)
        return;
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
}

int LedgerTableModel::columnWidth(int column)
{
    return column >= 0 && column < kColumnCount ? kColumns[column].width : 0;
}

QString LedgerTableModel::moneyText(double amount)
{
    if (!std::isfinite(amount))
        return {};
    const quill::WideTenths tenths = quill::toWideTenThousandths(amount);
    // Zero, and anything that rounds to zero whole won, stays empty.
    if (tenths > -5000 && tenths < 5000)
        return {};
    return QString::fromStdString(quill::groupedWon(tenths));
}
