#pragma once
// The About/help window: the usage guide and a hint on downloading.

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace tb::app {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    QPlainTextEdit* guideText() const { return m_guide; }
    QLabel* hintLabel() const { return m_hint; }

signals:
    void moved();

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    QPlainTextEdit* m_guide;
    QLabel* m_hint;
};

} // namespace tb::app
