#pragma once
#include <QLabel>

// A one-line label that never cuts its text: a text wider than the label
// (a total of hundreds of billions, a count of a million rows) is drawn in a
// smaller font, so every digit stays in view. Leading blanks, which only
// align the text, do not count.
class FitLabel : public QLabel {
public:
    explicit FitLabel(QWidget* parent = nullptr);
    // The font the text is drawn in: the label's own, or a smaller one.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
