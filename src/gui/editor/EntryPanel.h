#pragma once
#include <QFrame>

// The entry panel: date, description, counterparty, category, amount, VAT,
// total and remark of one entry, with the confirm and cancel buttons.
class EntryPanel : public QFrame {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget* parent = nullptr);
};
