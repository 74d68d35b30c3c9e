// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/statement/ImportRowsModel.h"

#include "core/ledger/Money.h"

#include <QBrush>
#include <QColor>

ImportRowsModel::ImportRowsModel(std::vector<quill::ImportRow>& rows, const quill::LedgerMatchIndex& index,
                                 QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), index_(index)
{
}

int ImportRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ImportRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString ImportRowsModel::categoryText(quill::Category c)
{
    return QString::fromUtf8(quill::categoryName(c));
}

QVariant ImportRowsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const quill::ImportRow& r = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::CheckStateRole && column == Tick)
        return r.ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::BackgroundRole) {
        switch (r.status) {
        case quill::ImportStatus::Duplicate: return QBrush(QColor(230, 230, 230));
        case quill::ImportStatus::Similar: return QBrush(QColor(255, 248, 205));
        case quill::ImportStatus::Error: return QBrush(QColor(255, 222, 222));
        default: return {};
        }
    }
    if (role == Qt::TextAlignmentRole && (column == Amount || column == Vat))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && column == Reason && !r.notes.empty()) {
        QStringList notes;
        for (const std::string& n : r.notes)
            notes << QString::fromStdString(n);
        return notes.join(QLatin1Char('\n'));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (column) {
    case Status: return QString::fromUtf8(quill::ImportStatusName(r.status));
    case Date: return QString::fromStdString(r.IDAY);
    case Description: return QString::fromStdString(r.description);
    case Counterparty: return QString::fromStdString(r.counterparty);
    case CategoryColumn: return categoryText(r.category);
    case Amount: return QString::fromStdString(quill::groupedWon(quill::toWideTenThousandths(r.amount)));
    case Vat: return QString::fromStdString(quill::groupedWon(quill::toWideTenThousandths(r.vat)));
    case Remark: return QString::fromStdString(r.remark);
    case ProposedBy: return QString::fromStdString(r.proposedBy);
    case Reason: {
        // The reason first; a cut or replaced text is marked after it.
        QString text = QString::fromStdString(r.reason);
        if (!r.notes.empty()) {
            if (!text.isEmpty())
                text += QStringLiteral(" · ");
            text += QStringLiteral("표시: ") + QString::fromStdString(r.notes.front());
            if (r.notes.size() > 1)
                text += QStringLiteral(" 외 %1건").arg(r.notes.size() - 1);
        }
        return text;
    }
    default: return {};
    }
}

bool ImportRowsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return false;
    quill::ImportRow& r = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (column == Tick && role == Qt::CheckStateRole) {
        if (r.status == quill::ImportStatus::Error)
            return false;
        r.ticked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index);
        emit countsChanged();
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    const std::string text = value.toString().toStdString();
    switch (column) {
    case Description: quill::SetImportRowText(r, 0, text, index_); break;
    case Counterparty: quill::SetImportRowText(r, 1, text, index_); break;
    case Remark: quill::SetImportRowText(r, 2, text, index_); break;
    case CategoryColumn: {
        const std::optional<quill::Category> c = quill::categoryFromName(value.toString().trimmed().toStdString());
        if (!c)
            return false;
        r.category = *c;
        break;
    }
    default: return false;
    }
    // A change by hand is the user's, not a rule's.
    r.proposedBy = "직접 고침";
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    emit countsChanged();
    return true;
}

QVariant ImportRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const names[ColumnCount] = {"선택", "상태", "날짜", "거래내용", "거래처", "구분",
                                                   "금액", "부가세", "증빙", "제안 근거", "사유"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(names[section]) : QVariant();
}

Qt::ItemFlags ImportRowsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const auto& r = rows_[static_cast<std::size_t>(index.row())];
    if (index.column() == Tick && r.status != quill::ImportStatus::Error)
        f |= Qt::ItemIsUserCheckable;
    if (index.column() == Description || index.column() == Counterparty || index.column() == CategoryColumn ||
        index.column() == Remark)
        f |= Qt::ItemIsEditable;
    return f;
}

void ImportRowsModel::reload()
{
    beginResetModel();
    endResetModel();
    emit countsChanged();
}

void ImportRowsModel::rowsChanged()
{
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, ColumnCount - 1));
    emit countsChanged();
}
