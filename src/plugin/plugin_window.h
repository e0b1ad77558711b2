#pragma once
// The helper's window: what it downloads and where to, and after a failure the countdown
// to its own end. Named as designed: `标签1` the job, `标签2` the countdown, `时钟1` the tick.

#include <QWidget>

#include <string>

class QLabel;
class QTimer;

namespace tb::plugin {

class PluginWindow : public QWidget {
    Q_OBJECT
public:
    // Seconds the window stays after a failure.
    static constexpr int kCountdownTicks = 30;

    // playUrl and targetPath are local text; tickMs is the length of one countdown second.
    PluginWindow(const std::string& playUrl, const std::string& targetPath, int tickMs = 1000);

    // Moves the window to a random place where it lies wholly on the screen.
    void placeRandomly();
    // Starts counting down; `countdownEnded` follows after kCountdownTicks ticks.
    void startCountdown();

    QLabel* 标签1 = nullptr;
    QLabel* 标签2 = nullptr;
    QTimer* 时钟1 = nullptr;

signals:
    void countdownEnded();

private:
    void tick();

    int m_ticks = 0;
};

} // namespace tb::plugin
