#pragma once
// The picture window: one picture box showing a changing picture behind the front window,
// and the timer that changes it.

#include <QWidget>

class QLabel;
class QTimer;

namespace tb::app {

class PictureWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPictureIntervalMs = 15000;

    explicit PictureWindow(QWidget* parent = nullptr);

    QLabel* 图片框1 = nullptr;
    QTimer* 时钟1 = nullptr;

signals:
    // The window is being closed by the user.
    void closing();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Shows a new random picture. The first one is fetched on a short-lived thread of its own;
// the timer's changes are fetched on the user-interface thread.
void LoadRandomPictureInBackground(PictureWindow& window);
void LoadRandomPicture(PictureWindow& window);

} // namespace tb::app
