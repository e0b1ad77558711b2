// Arranging the player page in the real window: dragging the eight controls with the mouse
// while the free-layout box is ticked, the layout file that keeps the arrangement, and the
// main window's resize hook.

#include "app/app_state.h"
#include "app/layout_operations.h"
#include "app/main_window.h"
#include "app/picture_window.h"
#include "app/startup.h"
#include "data/local_text.h"
#include "data/qt_local_text.h"
#include "layout/profile_file.h"
#include "skins/skins.h"
#include "support/test_files.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace tb::app {
namespace {

std::string local(const char* utf8) {
    return Utf8ToLocal(utf8);
}

class LayoutWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid());
        m_previousConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QCoreApplication::setApplicationName(QStringLiteral("tunebatch"));
        appState() = AppState();
        skins::UnloadSkins();
        skins::ApplyBaseSheet();
        openWindow();
    }
    void TearDown() override {
        m_window.reset();
        appState() = AppState();
        qputenv("XDG_CONFIG_HOME", m_previousConfig);
    }

    // Opens a fresh main window, as a new run of the program would.
    void openWindow() {
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    MainWindow& window() { return *m_window; }

    std::filesystem::path filePath() const {
        return std::filesystem::path(m_config.path().toStdString()) / "tunebatch" / "自由排版.ini";
    }
    std::string fileText() const { return tb::test::ReadFileBytes(filePath()); }
    std::string stored(const char* section, const char* key) const {
        return LocalToUtf8(layout::ReadProfileString(LayoutFilePath(), local(section), local(key)));
    }

    // Real mouse input, delivered to the window as the platform would deliver it.
    void press(QPoint at) { QTest::mousePress(window().windowHandle(), Qt::LeftButton, {}, at); }
    void moveTo(QPoint at) { QTest::mouseMove(window().windowHandle(), at); }
    void release(QPoint at) {
        QTest::mouseRelease(window().windowHandle(), Qt::LeftButton, {}, at);
    }
    // Presses on the control's centre, moves by the offset in two steps, releases.
    void drag(const QWidget& control, QPoint by) {
        const QPoint from = control.geometry().center();
        press(from);
        moveTo(from + by / 2);
        moveTo(from + by);
        release(from + by);
    }
    void clickLayoutBox() {
        QStyleOptionButton option;
        option.initFrom(window().选择框2);
        const QRect square = window().选择框2->style()->subElementRect(QStyle::SE_CheckBoxIndicator,
                                                                       &option, window().选择框2);
        QTest::mouseClick(window().windowHandle(), Qt::LeftButton, {},
                          window().选择框2->mapTo(&window(), square.center()));
    }
    QColor background() { return window().grab().toImage().pixelColor(532, 300); }

    QTemporaryDir m_config;
    QByteArray m_previousConfig;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(LayoutWindowTest, DraggedControlsStayWhereTheyWereDroppedAcrossARestart) {
    clickLayoutBox();
    ASSERT_TRUE(appState().layoutEdit);
    QSignalSpy stopClicks(window().按钮_停止, &QPushButton::clicked);

    QLabel& cover = *window().图片框_image;
    const QPoint coverCentre = cover.geometry().center();
    press(coverCentre);
    EXPECT_EQ(window().children().last(), &cover); // lifted above its siblings
    moveTo(coverCentre + QPoint(20, -5));
    EXPECT_EQ(cover.pos(), QPoint(635, 19)); // follows the pointer while the button is down
    EXPECT_FALSE(std::filesystem::exists(filePath()));
    moveTo(coverCentre + QPoint(40, -10));
    release(coverCentre + QPoint(40, -10));
    EXPECT_EQ(cover.pos(), QPoint(655, 14));
    EXPECT_EQ(stored("位置", "图片框_image"), "{655,14}");

    drag(*window().按钮_停止, QPoint(-100, 20));
    EXPECT_EQ(window().按钮_停止->pos(), QPoint(547, 580));
    EXPECT_EQ(stopClicks.count(), 0);
    EXPECT_EQ(stored("位置", "按钮_停止"), "{547,580}");
    EXPECT_EQ(stored("位置", "编辑框_歌词"), "{537,144}");
    EXPECT_EQ(stored("宽高", "窗口"), "{852,680}");

    // Unticking keeps the arrangement, writes nothing and gives the colour back.
    const std::string saved = fileText();
    clickLayoutBox();
    EXPECT_FALSE(appState().layoutEdit);
    EXPECT_EQ(cover.pos(), QPoint(655, 14));
    EXPECT_NE(background(), QColor(Qt::white));
    EXPECT_EQ(fileText(), saved);

    openWindow(); // the next run
    LoadLayout(window());
    EXPECT_EQ(window().图片框_image->pos(), QPoint(655, 14));
    EXPECT_EQ(window().按钮_停止->pos(), QPoint(547, 580));
    EXPECT_EQ(window().编辑框_歌词->pos(), QPoint(537, 144));
    EXPECT_EQ(window().frameGeometry().size(), QSize(837, 672));
    EXPECT_EQ(fileText(), saved);
}

TEST_F(LayoutWindowTest, WithTheBoxUntickedPressesAndResizesWriteNothing) {
    QSignalSpy stopClicks(window().按钮_停止, &QPushButton::clicked);
    for (QWidget* control :
         {static_cast<QWidget*>(window().图片框_image), static_cast<QWidget*>(window().编辑框_歌词),
          static_cast<QWidget*>(window().标签_name), static_cast<QWidget*>(window().滑块条_进度),
          static_cast<QWidget*>(window().标签_音量), static_cast<QWidget*>(window().滑块条_音量),
          static_cast<QWidget*>(window().按钮_停止), static_cast<QWidget*>(window().标签_时间)}) {
        SCOPED_TRACE(control->objectName().toStdString());
        const QPoint before = control->pos();
        drag(*control, QPoint(30, 10));
        EXPECT_EQ(control->pos(), before);
    }
    EXPECT_EQ(stopClicks.count(), 1); // the stop button still works as a button
    window().resize(900, 700);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().size() == QSize(900, 700); }));
    EXPECT_FALSE(std::filesystem::exists(filePath()));
    EXPECT_FALSE(std::filesystem::exists(filePath().parent_path()));
}

TEST_F(LayoutWindowTest, APressWithoutMovementRewritesAllNineEntries) {
    std::filesystem::create_directories(filePath().parent_path());
    std::ofstream(filePath(), std::ios::binary)
        << local("; arranged by hand\r\n[位置]\r\n图片框_image={1,1}\r\n[其他]\r\nkeep=1\r\n");
    clickLayoutBox();
    const QPoint at = window().标签_时间->geometry().center();
    press(at);
    release(at);
    EXPECT_EQ(fileText(), local("; arranged by hand\r\n"
                                "[位置]\r\n"
                                "图片框_image={615,24}\r\n"
                                "编辑框_歌词={537,144}\r\n"
                                "标签_name={537,488}\r\n"
                                "滑块条_进度={531,520}\r\n"
                                "标签_音量={791,520}\r\n"
                                "滑块条_音量={792,533}\r\n"
                                "按钮_停止={647,560}\r\n"
                                "标签_时间={551,616}\r\n"
                                "[其他]\r\n"
                                "keep=1\r\n"
                                "[宽高]\r\n"
                                "窗口={852,680}\r\n"));
}

TEST_F(LayoutWindowTest, WhileEditingTheSlidersIgnoreThePressThatMovesThem) {
    clickLayoutBox();
    QSlider& volume = *window().滑块条_音量;
    QSlider& progress = *window().滑块条_进度;
    volume.setValue(40);
    progress.setValue(10);
    drag(volume, QPoint(-60, -200));
    drag(progress, QPoint(-30, -100));
    EXPECT_EQ(volume.value(), 40);
    EXPECT_EQ(progress.value(), 10);
    EXPECT_EQ(volume.pos(), QPoint(732, 333));
    EXPECT_EQ(progress.pos(), QPoint(501, 420));
}

TEST_F(LayoutWindowTest, TheGrabbedPointNeverLeavesTheWindow) {
    clickLayoutBox();
    QLabel& name = *window().标签_name;
    const QPoint from = name.geometry().center();
    press(from);
    moveTo(QPoint(5000, -3000));
    release(QPoint(5000, -3000));
    // The pointer counts at the window's top right corner.
    EXPECT_EQ(name.pos(), QPoint(537, 488) + (QPoint(window().width() - 1, 0) - from));
}

TEST_F(LayoutWindowTest, ThePictureWindowFollowsEveryResizeAndEditingSavesIt) {
    window().loadPictureWindow();
    PictureWindow& picture = *window().pictureWindow();
    const auto followsMain = [&] {
        const QRect main = window().frameGeometry();
        return picture.frameGeometry() ==
               QRect(main.left() + 1, main.top() + 1, main.width() - 1, main.height() - 1);
    };
    window().resize(900, 700);
    EXPECT_TRUE(QTest::qWaitFor(followsMain));
    EXPECT_FALSE(picture.isVisible()); // moved only, never shown
    EXPECT_FALSE(std::filesystem::exists(filePath()));

    clickLayoutBox();
    window().resize(880, 690);
    EXPECT_TRUE(QTest::qWaitFor(followsMain));
    const QSize outer = window().frameGeometry().size(); // the inner size and the frame
    EXPECT_EQ(stored("宽高", "窗口"), "{" + std::to_string(outer.width() + 15) + "," +
                                          std::to_string(outer.height() + 8) + "}");
    EXPECT_EQ(stored("位置", "标签_时间"), "{551,616}");
}

TEST_F(LayoutWindowTest, StartUpRestoresTheSavedLayout) {
    std::filesystem::create_directories(filePath().parent_path());
    std::ofstream(filePath(), std::ios::binary)
        << local("[位置]\r\n图片框_image={10,20}\r\n编辑框_歌词={30,40}\r\n标签_name={50,60}\r\n"
                 "滑块条_进度={1,2}\r\n标签_音量={3,4}\r\n滑块条_音量={5,6}\r\n"
                 "按钮_停止={7,8}\r\n标签_时间={9,10}\r\n[宽高]\r\n窗口={715,508}\r\n");
    const StartupHooks hooks{[] { return std::vector<std::string>{"tunebatch"}; },
                             [] { return std::string("tunebatch"); }, [](int) {}};
    ASSERT_EQ(RunStartup(window(), {}, hooks), StartupResult::Running);
    ReleaseDownloadEngine();
    EXPECT_EQ(window().图片框_image->pos(), QPoint(10, 20));
    EXPECT_EQ(window().标签_时间->pos(), QPoint(9, 10));
    EXPECT_EQ(window().frameGeometry().size(), QSize(700, 500));
    EXPECT_FALSE(appState().layoutEdit);
}

} // namespace
} // namespace tb::app
