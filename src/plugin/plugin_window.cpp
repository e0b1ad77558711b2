#include "plugin/plugin_window.h"

#include "data/qt_local_text.h"
#include "platform/qt/qt_platform.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <random>

namespace tb::plugin {
namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 120;

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

PluginWindow::PluginWindow(const std::string& playUrl, const std::string& targetPath, int tickMs) {
    const QString caption = text("正在下载：") + LocalToQString(playUrl);
    setWindowTitle(caption);
    resize(kWidth, kHeight);
    标签1 = new QLabel(caption + text("\r\n保存位置：") + LocalToQString(targetPath), this);
    标签1->setObjectName(text("标签1"));
    标签1->setWordWrap(true);
    标签1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    标签2 = new QLabel(text("剩余时间[]"), this);
    标签2->setObjectName(text("标签2"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(标签1, 1);
    layout->addWidget(标签2);
    时钟1 = new QTimer(this);
    时钟1->setObjectName(text("时钟1"));
    时钟1->setInterval(tickMs);
    connect(时钟1, &QTimer::timeout, this, [this] { tick(); });
}

void PluginWindow::placeRandomly() {
    const platform::ScreenSize screen = platform::PrimaryScreenSize();
    std::mt19937 random(std::random_device{}());
    const auto pick = [&random](int room) {
        return std::uniform_int_distribution<int>(0, std::max(0, room))(random);
    };
    move(pick(screen.width - width()), pick(screen.height - height()));
}

void PluginWindow::startCountdown() {
    m_ticks = 0;
    时钟1->start();
}

void PluginWindow::tick() {
    ++m_ticks;
    const int remaining = kCountdownTicks - m_ticks;
    标签2->setText(text("剩余时间[") + QString::number(remaining) + text("]自动关闭!"));
    if (remaining <= 0) {
        时钟1->stop();
        emit countdownEnded();
    }
}

} // namespace tb::plugin
