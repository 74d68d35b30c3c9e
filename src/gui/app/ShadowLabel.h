// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QLabel>
#include <QList>
#include <QPoint>

// A label whose text carries a one-pixel shadow in another colour, as the
// filter row's caption and the totals bar's end marks have.
class ShadowLabel : public QLabel {
public:
    ShadowLabel(const QString& text, const QColor& shadow, QPoint offset, QWidget* parent = nullptr);
    // Draws the blank-separated words of the text at these lefts instead of
    // letting the blanks place them: blanks are as wide as the font makes
    // them, and a caption whose blanks make room for other controls must
    // keep its words beside those controls in any font.
    void placeWords(const QList<int>& lefts);
    QList<int> wordLefts() const { return wordLefts_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor shadow_;
    QList<int> wordLefts_;
    QPoint offset_;
};
