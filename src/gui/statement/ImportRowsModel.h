// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/statement/StatementImport.h"

#include <QAbstractTableModel>

#include <vector>

// The preview's view of the import rows the core made: each row as it
// would stand in the ledger, with its status. Ticks and the texts and
// category of a row are changed in place; the core fits and matches them.
class ImportRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Tick, Status, Date, Description, Counterparty, CategoryColumn, Amount, Vat, Remark, ProposedBy,
                  Reason, ColumnCount };

    ImportRowsModel(std::vector<quill::ImportRow>& rows, const quill::LedgerMatchIndex& index,
                    QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows were replaced (another profile, sheet or encoding).
    void reload();
    // Rows changed by other means (a rule applied).
    void rowsChanged();

    static QString categoryText(quill::Category c);

signals:
    void countsChanged();

private:
    std::vector<quill::ImportRow>& rows_;
    const quill::LedgerMatchIndex& index_;
};
