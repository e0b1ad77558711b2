// The helper's window: the job it shows, its place on the screen and the countdown.

#include "data/local_text.h"
#include "platform/qt/qt_platform.h"
#include "plugin/plugin_window.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace tb::plugin {
namespace {

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(PluginWindow, ShowsTheAddressAndTheSaveLocation) {
    PluginWindow window("http://127.0.0.1:9/a.mp3", Utf8ToLocal("/歌/A B.mp3"));
    EXPECT_EQ(window.windowTitle(), qs("正在下载：http://127.0.0.1:9/a.mp3"));
    EXPECT_EQ(window.标签1->text(),
              qs("正在下载：http://127.0.0.1:9/a.mp3\r\n保存位置：/歌/A B.mp3"));
    EXPECT_EQ(window.标签2->text(), qs("剩余时间[]"));
    EXPECT_EQ(window.时钟1->interval(), 1000);
}

TEST(PluginWindow, RandomPlaceKeepsTheWholeWindowOnTheScreen) {
    PluginWindow window("u", "p");
    const platform::ScreenSize screen = platform::PrimaryScreenSize();
    ASSERT_GT(screen.width, window.width());
    for (int i = 0; i < 50; ++i) {
        window.placeRandomly();
        EXPECT_GE(window.x(), 0);
        EXPECT_GE(window.y(), 0);
        EXPECT_LE(window.x() + window.width(), screen.width);
        EXPECT_LE(window.y() + window.height(), screen.height);
    }
}

TEST(PluginWindow, CountdownShowsTheSecondsLeftAndEndsAfterThirty) {
    PluginWindow window("u", "p", 2);
    QStringList shown;
    QObject::connect(window.时钟1, &QTimer::timeout, &window,
                     [&] { shown.append(window.标签2->text()); });
    QSignalSpy ended(&window, &PluginWindow::countdownEnded);
    window.startCountdown();
    ASSERT_TRUE(ended.wait(5000));
    ASSERT_EQ(shown.size(), PluginWindow::kCountdownTicks);
    EXPECT_EQ(shown.front(), qs("剩余时间[29]自动关闭!"));
    EXPECT_EQ(shown[14], qs("剩余时间[15]自动关闭!"));
    EXPECT_EQ(shown.back(), qs("剩余时间[0]自动关闭!"));
    EXPECT_FALSE(window.时钟1->isActive());
}

} // namespace
} // namespace tb::plugin
