// The player page of the real main window: a double-click on a row plays it with its cover,
// lyrics and time; the volume slider, the stop button and closing the window reach the
// player. Against the stand-in catalogue with the demo songs.

#include "app/main_window.h"
#include "app/player_operations.h"
#include "app/report_list.h"
#include "app_test_support.h"
#include "catalogue/catalogue_addresses.h"
#include "catalogue/result_list.h"
#include "catalogue/song_list_fetch.h"
#include "data/local_text.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "standin_server.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

namespace tb::app::test {
namespace {

class PlayerPageTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(temporary.isValid());
        savedTmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary.path().toUtf8());
        std::string error;
        auto catalogue =
            standin::SongCatalogue::loadDirectory(TB_SOURCE_DIR "/tools/demo/data", error);
        ASSERT_TRUE(catalogue) << error;
        server = std::make_unique<standin::StandinServer>(std::move(*catalogue));
        ASSERT_GT(server->start(0), 0);
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        server->stop();
        if (savedTmpdir.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmpdir);
        }
        AppTest::TearDown();
    }

    void doubleClickRow(int row) {
        ReportList& view = *window->超级列表框1;
        const QRect cell = view.visualRect(view.model()->index(row, 1));
        // A double-click is a press and release, then a second press that Qt reports as the
        // double-click, and its release.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    }

    QTemporaryDir temporary;
    QByteArray savedTmpdir;
    std::unique_ptr<standin::StandinServer> server;
    std::unique_ptr<MainWindow> window;
};

TEST_F(PlayerPageTest, DoubleClickedRowPlaysWithCoverLyricsTimeVolumeAndStop) {
    const std::string base = server->baseAddress();
    FetchSongListInto("Hello World", window->resultList(), CatalogueHosts{base, base, base});
    ASSERT_EQ(window->resultList().rowCount(), 1);
    window->列表框_预热->show();
    const std::string oldFile = platform::TemporaryFolder() + "dy.mp3";
    ASSERT_TRUE(platform::WriteWholeFile(oldFile, "old"));

    doubleClickRow(0);
    ASSERT_TRUE(waitFor([&] { return window->时钟1->isActive(); }, 10000));
    EXPECT_EQ(window->时钟1->interval(), 1000);
    EXPECT_FALSE(window->列表框_预热->isVisible());
    EXPECT_EQ(window->标签_name->text(), qs("Mixed Case - Hello World"));
    EXPECT_FALSE(window->图片框_image->pixmap().isNull());
    EXPECT_TRUE(window->标签_时间->text().startsWith(qs("总时间[00:1")));
    EXPECT_EQ(window->标签_音量->text(), qs("100%\n\n\n\n\n\n音量"));
    EXPECT_FALSE(platform::FileExists(oldFile));

    // The first lyric line is due at 00:01; the slider follows the song.
    ASSERT_TRUE(waitFor(
        [&] { return window->编辑框_歌词->toPlainText().contains(qs("Hello world hello")); },
        6000));
    EXPECT_FALSE(window->编辑框_歌词->toPlainText().contains(qs("[00:")));
    EXPECT_GT(window->滑块条_进度->value(), 0);
    EXPECT_TRUE(window->标签_时间->text().contains(qs(" - 剩余时间[")));

    // A user's step of the volume slider (page step 10 from the top) sets volume 90.
    window->滑块条_音量->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_TRUE(waitFor([&] { return window->标签_音量->text().startsWith(qs("90%")); }));
    EXPECT_EQ(window->标签_音量->text(), qs("90%\n\n\n\n\n\n音量"));

    QTest::mouseClick(window->按钮_停止, Qt::LeftButton);
    EXPECT_FALSE(window->时钟1->isActive());
    EXPECT_EQ(window->时钟1->interval(), 0);

    ASSERT_TRUE(platform::WriteWholeFile(oldFile, "old"));
    window->close(); // the player cleans up; ending the program is the exit routine's
    EXPECT_FALSE(platform::FileExists(oldFile));
}

} // namespace
} // namespace tb::app::test
