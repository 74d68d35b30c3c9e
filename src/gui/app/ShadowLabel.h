#pragma once
#include <QColor>
#include <QLabel>
#include <QPoint>

// A label whose text carries a one-pixel shadow in another colour, as the
// filter row's caption and the totals bar's end marks have.
class ShadowLabel : public QLabel {
public:
    ShadowLabel(const QString& text, const QColor& shadow, QPoint offset, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor shadow_;
    QPoint offset_;
};
