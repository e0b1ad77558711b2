#pragma once
// A check box whose caption wraps onto further lines when it is wider than the box, and
// which takes clicks (and paints) only over its square and its caption's text, so that a
// box lying partly over another leaves the rest of its rectangle to the box below.

#include <QCheckBox>

namespace tb::app {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    WrappingCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

    // The square and the caption's text, in the box's coordinates.
    QRegion clickArea() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect captionRect(const QStyleOptionButton& option) const;
};

} // namespace tb::app
