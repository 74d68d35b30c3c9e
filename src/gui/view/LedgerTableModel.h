// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractTableModel>

#include <cstdint>

namespace quill {
class WorkingTable;
}

// The grid's view of the working ledger: reads the table's visible rows by
// position, never copies them. The table tells the window when it changed;
// the window calls refresh(), which resets the model only when the set or
// order of visible rows may have changed.
class LedgerTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 10;

    explicit LedgerTableModel(const quill::WorkingTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Resets when the table's rows changed since the last call; true then.
    bool refresh();
    // The row the indicator column marks (-1: none).
    void setCurrentRow(int row);
    int currentRow() const { return currentRow_; }

    static int columnWidth(int column);
    // A money cell: whole won with grouped digits, a leading "-" for
    // negatives, nothing for zero.
    static QString moneyText(double amount);

private:
    const quill::WorkingTable& table_;
    std::uint64_t generation_ = 0;
    int rows_ = 0;
    int currentRow_ = -1;
};
