// The windows working together: the layout-edit switch, the About window, the keyword box
// and the picture window that stays behind the front window.

#include "app/about_window.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/picture_window.h"
#include "app_test_support.h"
#include "platform/events.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tb::app::test {
namespace {

class WindowsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // The picture window sits one pixel inside the main window.
    bool pictureBehindMain() const {
        const PictureWindow* picture = window.pictureWindow();
        const QRect main = window.frameGeometry();
        return picture != nullptr && picture->isVisible() &&
               picture->frameGeometry() ==
                   QRect(main.left() + 1, main.top() + 1, main.width() - 1, main.height() - 1);
    }

    MainWindow window;
};

TEST_F(WindowsTest, FreeLayoutBoxTurnsTheBackgroundWhiteAndBack) {
    // A point of the window's own background, between the list and the lyrics.
    const auto background = [this] { return window.grab().toImage().pixelColor(532, 300); };
    const QColor original = background();
    ASSERT_NE(original, QColor(Qt::white));

    QTest::mouseClick(window.选择框2, Qt::LeftButton);
    EXPECT_TRUE(window.选择框2->isChecked());
    EXPECT_TRUE(appState().layoutEdit);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(background(), QColor(255, 255, 255));

    QTest::mouseClick(window.选择框2, Qt::LeftButton);
    EXPECT_FALSE(appState().layoutEdit);
    EXPECT_EQ(background(), original);
}

TEST_F(WindowsTest, AboutOpensModallyAndTheMainWindowComesBackBehindIt) {
    window.loadPictureWindow();
    window.pictureWindow()->show();
    bool sawAbout = false;
    bool mainHiddenMeanwhile = false;
    bool pictureFollowedAbout = false;
    double aboutOpacity = 1.0;
    QTimer::singleShot(0, &window, [&] {
        // Runs inside the About window's own event loop.
        auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
        if (about == nullptr) {
            return;
        }
        sawAbout = about->isVisible();
        mainHiddenMeanwhile = !window.isVisible();
        about->move(200, 150);
        pictureFollowedAbout = waitFor([&] {
            return window.pictureWindow()->frameGeometry().topLeft() ==
                   about->frameGeometry().topLeft() + QPoint(1, 1);
        });
        aboutOpacity = about->windowOpacity();
        about->reject();
    });
    QTest::mouseClick(window.按钮_关于, Qt::LeftButton);
    EXPECT_TRUE(sawAbout);
    EXPECT_TRUE(mainHiddenMeanwhile);
    EXPECT_TRUE(pictureFollowedAbout);
    EXPECT_NEAR(aboutOpacity, 210.0 / 255.0, 0.01);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(waitFor([&] { return pictureBehindMain(); }));
}

TEST_F(WindowsTest, MovingTheMainWindowShowsThePictureWindowBehindIt) {
    window.move(120, 90);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.pictureWindow(), nullptr); // nothing to move before it is loaded

    window.loadPictureWindow();
    ASSERT_FALSE(window.pictureWindow()->isVisible());
    window.move(140, 100);
    EXPECT_TRUE(waitFor([&] { return pictureBehindMain(); }));
    EXPECT_EQ(window.pictureWindow()->图片框1->size(), window.pictureWindow()->size());
}

TEST_F(WindowsTest, DoubleClickOnTheKeywordSelectsAllOfItAfterAPause) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.编辑框_输入->setText(qs("夜曲 晴空"));
    window.编辑框_输入->deselect();
    window.按钮_获取->setFocus();
    QTest::mouseDClick(window.编辑框_输入, Qt::LeftButton, {}, QPoint(5, 12));
    EXPECT_TRUE(waitFor([&] { return window.编辑框_输入->selectedText() == qs("夜曲 晴空"); }));
    EXPECT_TRUE(window.编辑框_输入->hasFocus());
}

TEST_F(WindowsTest, KeywordIsSelectedOnlyAfterA150MillisecondWait) {
    window.编辑框_输入->setText(qs("夜曲"));
    window.编辑框_输入->deselect();
    std::vector<int> waits;
    bool selectedDuringWait = true;
    platform::setWaitHandler([&](int milliseconds) {
        waits.push_back(milliseconds);
        selectedDuringWait = window.编辑框_输入->hasSelectedText();
    });
    SelectKeyword(window);
    platform::installQtPlatformHandlers();

    EXPECT_EQ(waits, std::vector<int>{150});
    EXPECT_FALSE(selectedDuringWait);
    EXPECT_EQ(window.编辑框_输入->selectedText(), qs("夜曲"));
}

TEST_F(WindowsTest, LeftClickOnThePictureBringsThePictureWindowToTheFront) {
    window.loadPictureWindow();
    PictureWindow& picture = *window.pictureWindow();
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::mouseClick(picture.图片框1, Qt::RightButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isActiveWindow());

    QTest::mouseClick(picture.图片框1, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&picture));
}

TEST_F(WindowsTest, ClosingThePictureWindowEndsTheProgram) {
    int endings = 0;
    QObject::connect(&window, &MainWindow::programEnding, &window, [&] { ++endings; });
    window.loadPictureWindow();
    window.pictureWindow()->show();
    window.pictureWindow()->close();
    EXPECT_EQ(endings, 1);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace tb::app::test
