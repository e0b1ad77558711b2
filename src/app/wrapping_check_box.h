#pragma once
// A check box whose caption wraps onto further lines when it is wider than the box.

#include <QCheckBox>

namespace tb::app {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    WrappingCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

} // namespace tb::app
