// The search area of the real main window (offscreen) driven by keys and clicks, against
// the stand-in catalogue: the window's controls reach the catalogue operations, and the
// window stays alive while the catalogue is slow to answer.

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/report_list.h"
#include "app/startup.h"
#include "catalogue/result_list.h"
#include "catalogue_fixture.h"
#include "data/qt_local_text.h"
#include "platform/events.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace tb::test {
namespace {

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(server.start(0), 0);
        const QByteArray host = QByteArray::fromStdString(server.baseAddress());
        for (const char* name :
             {"TUNEBATCH_SEARCH_HOST", "TUNEBATCH_TIP_HOST", "TUNEBATCH_PLAY_HOST"}) {
            qputenv(name, host);
        }
        window.show();
    }
    void TearDown() override {
        platform::ResumeRequests();
        platform::setPrompt(nullptr);
        server.stop();
    }

    // The first song search request of the next search is answered only after 2 s.
    void delayFirstSearchRequest() {
        server.clearRequestLog();
        server.setFaults({.delayMs = 2000, .pathPrefix = "/song_search_v2", .count = 1});
    }
    std::vector<std::string> searchRequests() const {
        std::vector<std::string> found;
        for (const std::string& target : server.requestLog()) {
            if (target.starts_with("/song_search_v2")) {
                found.push_back(target);
            }
        }
        return found;
    }

    standin::StandinServer server{TestCatalogue()};
    app::MainWindow window;
};

TEST_F(SearchWindowTest, KeysWalkFromTheKeywordBoxThroughTheSuggestionsAndBack) {
    // Two suggestions whatever is typed, so that the keyword may hold any text.
    server.setCannedReply("/getSearchTip",
                          {200, "application/json",
                           R"({"data":[{"RecordDatas":[{"HintInfo":"Alpha - hello there"},)"
                           R"({"HintInfo":"抖音 - 夜空"}]}]})"});
    QLineEdit& keyword = *window.编辑框_输入;
    QListWidget& suggestions = *window.列表框_预热;
    keyword.setText(qs("抖音 e"));
    ASSERT_EQ(suggestions.count(), 2);
    EXPECT_EQ(suggestions.item(1)->text(), qs("抖音 - 夜空"));
    EXPECT_EQ(suggestions.item(1)->data(Qt::UserRole).toInt(), 1);
    EXPECT_FALSE(suggestions.isHidden());

    QTest::keyClick(&keyword, Qt::Key_Down);
    EXPECT_EQ(window.focusWidget(), &suggestions);
    EXPECT_EQ(suggestions.currentRow(), 0);
    QTest::keyClick(&suggestions, Qt::Key_Down);
    QTest::keyClick(&suggestions, Qt::Key_Up);
    QTest::keyClick(&suggestions, Qt::Key_Up);
    EXPECT_EQ(window.focusWidget(), &keyword);
    EXPECT_EQ(keyword.selectedText(), qs("抖音 e"));

    QTest::keyClick(&keyword, Qt::Key_Down);
    QTest::keyClick(&suggestions, Qt::Key_Down);
    QTest::keyClick(&suggestions, Qt::Key_Return);
    EXPECT_EQ(keyword.text(), qs("抖音 - 夜空"));
    EXPECT_TRUE(suggestions.isHidden());
    EXPECT_TRUE(window.按钮_获取->isEnabled());
    ASSERT_EQ(window.resultList().rowCount(), 1);
    EXPECT_EQ(window.resultList().cell(0, kColName), L("抖音 - 夜空"));
}

TEST_F(SearchWindowTest, DownWithoutSuggestionsLeavesTheFocusInTheKeywordBox) {
    QLineEdit& keyword = *window.编辑框_输入;
    QListWidget& suggestions = *window.列表框_预热;
    keyword.setFocus();
    keyword.setText("zzzz");
    ASSERT_TRUE(suggestions.isHidden());
    QTest::keyClick(&keyword, Qt::Key_Down);
    // Suggestions showing up later must not take the keystrokes away from the box.
    keyword.clear();
    QTest::keyClick(&keyword, Qt::Key_H);
    ASSERT_FALSE(suggestions.isHidden());
    EXPECT_EQ(window.focusWidget(), &keyword);
    EXPECT_EQ(keyword.text(), "h");
}

TEST_F(SearchWindowTest, MouseTakesASuggestionAndTheResultListHidesThem) {
    QLineEdit& keyword = *window.编辑框_输入;
    QListWidget& suggestions = *window.列表框_预热;
    keyword.setText("hello");
    ASSERT_EQ(suggestions.count(), 2);
    ASSERT_FALSE(suggestions.isHidden());
    // The search runs once the list has moved its selection to the item under the pointer.
    const QPoint second = suggestions.visualItemRect(suggestions.item(1)).center();
    QTest::mouseClick(suggestions.viewport(), Qt::LeftButton, {}, second);
    QCoreApplication::processEvents();
    EXPECT_EQ(keyword.text(), "Beta - HELLO AGAIN");
    EXPECT_TRUE(suggestions.isHidden());
    EXPECT_EQ(window.按钮_获取->text(), qs("获取列表"));
    ASSERT_EQ(window.resultList().rowCount(), 1);
    EXPECT_EQ(window.resultList().cell(0, kColName), "Beta - HELLO AGAIN");

    keyword.setFocus();
    keyword.setText("hello");
    ASSERT_FALSE(suggestions.isHidden());
    window.超级列表框1->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(suggestions.isHidden());
}

TEST_F(SearchWindowTest, ButtonsSearchTheCatalogueAndTheList) {
    window.编辑框_输入->setText("e");
    window.按钮_获取->click();
    ResultList& list = window.resultList();
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.cell(2, kColName), "Gamma - quiet");
    EXPECT_EQ(window.按钮_获取->text(), qs("获取列表"));
    EXPECT_TRUE(window.列表框_预热->isHidden());

    window.编辑框_搜->setText("AGAIN");
    window.按钮_搜->click();
    EXPECT_EQ(list.selectedRow(), 1);
    QTest::mouseClick(window.编辑框_搜, Qt::LeftButton);
    EXPECT_EQ(window.编辑框_搜->text(), "");
    window.按钮_搜->click();
    EXPECT_EQ(window.编辑框_搜->text(), qs("搜你喜欢~"));
}

// Records the button's caption each time the button is painted.
class PaintedCaptions : public QObject {
public:
    explicit PaintedCaptions(QPushButton& button) : m_button(button) {
        button.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_button && event->type() == QEvent::Paint) {
            captions.push_back(m_button.text());
        }
        return false;
    }
    QStringList captions;

private:
    QPushButton& m_button;
};

TEST_F(SearchWindowTest, TimersRunAndTheBusyButtonIsPaintedWhileTheSearchWaits) {
    QPushButton& button = *window.按钮_获取;
    window.编辑框_输入->setText("e"); // its suggestions are fetched before the watch starts
    delayFirstSearchRequest();
    struct Tick {
        QString caption;
        bool enabled;
        qsizetype busyPaints; // paints of the busy caption so far
    };
    std::vector<Tick> ticks;
    const PaintedCaptions painted(button);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ticks.push_back(
            {button.text(), button.isEnabled(), painted.captions.count(qs("获取中……"))});
    });
    timer.start(50);
    button.click(); // returns when the search has ended
    timer.stop();

    // The reply takes 2 s: a window frozen until then would see one tick at most.
    ASSERT_GE(ticks.size(), 5u);
    for (const Tick& tick : ticks) {
        EXPECT_EQ(tick.caption, qs("获取中……"));
        EXPECT_FALSE(tick.enabled);
    }
    EXPECT_GE(ticks[ticks.size() / 2].busyPaints, 1) << "painted busy by the middle of the wait";
    EXPECT_EQ(button.text(), qs("获取列表"));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(window.resultList().rowCount(), 3);
}

TEST_F(SearchWindowTest, AnotherGetListWhileTheSearchWaitsRestartsIt) {
    QLineEdit& keyword = *window.编辑框_输入;
    QPushButton& button = *window.按钮_获取;
    const std::vector<std::pair<const char*, std::function<void()>>> restarts = {
        // The disabled button takes no clicks, but its command may still be run.
        {"the button's command", [&] { emit button.clicked(); }},
        {"Enter in the keyword box", [&] { QTest::keyClick(&keyword, Qt::Key_Return); }},
    };
    for (const auto& [how, restart] : restarts) {
        window.resultList().clearRows();
        keyword.setText("e");
        delayFirstSearchRequest();
        QTimer::singleShot(200, &window, [&keyword, restart] {
            keyword.setText(qs("抖音"));
            restart();
        });
        button.click();
        const auto requests = searchRequests();
        ASSERT_EQ(requests.size(), 3u) << how;
        EXPECT_EQ(requests[0], "/song_search_v2?keyword=e&page=1&pagesize=1&platform=WebFilter")
            << how;
        ASSERT_EQ(window.resultList().rowCount(), 1) << how;
        EXPECT_EQ(window.resultList().cell(0, kColName), L("抖音 - 夜空")) << how;
        EXPECT_EQ(button.text(), qs("获取列表")) << how;
        EXPECT_TRUE(button.isEnabled()) << how;
    }
}

TEST_F(SearchWindowTest, ClosingTheWindowWhileTheSearchWaitsEndsTheProgramCleanly) {
    auto prompt = std::make_shared<RecordingPrompt>();
    platform::setPrompt(prompt);
    window.编辑框_输入->setText("e");
    delayFirstSearchRequest();
    app::EndProgramOnClose(window);
    QTimer::singleShot(0, &window, [this] { window.按钮_获取->click(); });
    QTimer::singleShot(300, &window, [this] { window.close(); });
    EXPECT_EQ(QApplication::exec(), 0);
    // As the program's entry does next, while the window still exists.
    app::RunExitRoutine();

    EXPECT_TRUE(platform::RequestsAbandoned());
    EXPECT_EQ(searchRequests().size(), 1u) << "the search gave up its first request";
    EXPECT_EQ(window.resultList().rowCount(), 0);
    EXPECT_TRUE(prompt->texts.empty());
    EXPECT_EQ(window.按钮_获取->text(), qs("获取列表"));
}

} // namespace
} // namespace tb::test
