// The search area of the real main window (offscreen) driven by keys and clicks, against
// the stand-in catalogue: the window's controls reach the catalogue operations.

#include "app/main_window.h"
#include "app/report_list.h"
#include "catalogue/result_list.h"
#include "catalogue_fixture.h"
#include "data/qt_local_text.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

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
    void TearDown() override { server.stop(); }

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

} // namespace
} // namespace tb::test
