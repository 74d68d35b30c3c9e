// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFrame>

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;

namespace quill {
class WorkingTable;
}

// The find bar above the grid: searches the description, counterparty and
// remark of the rows the filter shows. Enter goes to the next match,
// Shift+Enter to the previous, "n / m" tells where the grid stands among
// the matches; Esc closes the bar and gives the focus back to the grid.
class FindBar : public QFrame {
    Q_OBJECT
public:
    FindBar(quill::WorkingTable& table, QWidget* parent);

    QLineEdit* edit() const { return edit_; }
    QLabel* countLabel() const { return count_; }
    // Opens the bar with its text selected for typing over.
    void open();
    // The search from the table's current row; backward for Shift+Enter.
    void findNext(bool backward);
    // The table's rows changed: the next Enter searches again.
    void invalidate();

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount(int position);
    void countMatches();  // when a count is still due

    quill::WorkingTable& table_;
    QLineEdit* edit_;
    QLabel* count_;
    QToolButton* close_;
    QString searched_;          // the text `matches_` belong to
    std::uint64_t generation_ = 0;
    std::vector<int> matches_;  // visible indexes, in order
    bool countPending_ = false;
};
