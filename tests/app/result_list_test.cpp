// The result list: ticking by header clicks, copying a name from the popup menu, and the
// row store that the core fills with songs or one row at a time.

#include "app/index_cell_delegate.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/report_list.h"
#include "app/result_list_model.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "catalogue/memory_result_list.h"
#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "platform/events.h"
#include "platform/qt/qt_platform.h"

#include <QAbstractItemModelTester>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>

namespace tb::app::test {
namespace {

void addSongs(ResultList& rows, const std::vector<const char*>& names) {
    for (const char* name : names) {
        const int row = rows.appendRow();
        rows.setCell(row, kColIndex, std::to_string(row));
        rows.setCell(row, kColName, Utf8ToLocal(name));
    }
}

std::vector<bool> ticks(const ResultList& rows) {
    std::vector<bool> result;
    for (int row = 0; row < rows.rowCount(); ++row) {
        result.push_back(rows.isTicked(row));
    }
    return result;
}

void clickHeader(ReportList& list, int column) {
    QHeaderView* header = list.header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

class ShownMainWindow : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    MainWindow window;
};

TEST_F(ShownMainWindow, SongNameHeaderTicksAndUnticksEveryRowOtherHeadersDoNothing) {
    ResultList& rows = window.resultList();
    addSongs(rows, {"一", "二", "三", "四"});
    rows.setTicked(2, true);

    clickHeader(*window.超级列表框1, kColIndex);
    EXPECT_EQ(ticks(rows), (std::vector<bool>{false, false, true, false}));

    clickHeader(*window.超级列表框1, kColName);
    EXPECT_EQ(ticks(rows), (std::vector<bool>{true, true, true, true}));

    // A row unticked by hand in between does not change what the next click does.
    rows.setTicked(1, false);
    clickHeader(*window.超级列表框1, kColName);
    EXPECT_EQ(ticks(rows), (std::vector<bool>{false, false, false, false}));

    clickHeader(*window.超级列表框1, kColDuration);
    EXPECT_EQ(ticks(rows), (std::vector<bool>{false, false, false, false}));
}

TEST_F(ShownMainWindow, CopyNameFromThePopupMenuCopiesTheRowUnderTheRightClick) {
    ResultList& rows = window.resultList();
    addSongs(rows, {"第一首", "노래 🎵 Ä", "第三首"});
    platform::SetClipboardText("before");

    // Without a selected row the clipboard keeps its content.
    window.复制名字->trigger();
    EXPECT_EQ(platform::ClipboardText(), "before");

    ReportList& list = *window.超级列表框1;
    ASSERT_TRUE(waitFor([&] { return list.model()->rowCount() == 3; }));
    const QRect second = list.visualRect(list.model()->index(1, kColName));
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, second.center());
    EXPECT_EQ(rows.selectedRow(), 1);
    ASSERT_TRUE(waitFor([&] { return window.菜单->isVisible(); }));

    window.复制名字->trigger();
    window.菜单->close();
    EXPECT_EQ(platform::ClipboardText(), Utf8ToLocal("노래 🎵 Ä"));
}

TEST_F(ShownMainWindow, TickingAllLetsTheWindowWorkAfterEachRow) {
    ResultList& rows = window.resultList();
    addSongs(rows, {"一", "二", "三"});
    std::vector<std::vector<bool>> seenBetweenRows;
    platform::setPendingEventsHandler([&] { seenBetweenRows.push_back(ticks(rows)); });
    ToggleAllTicks(window, kColName);
    platform::installQtPlatformHandlers();

    EXPECT_EQ(seenBetweenRows, (std::vector<std::vector<bool>>{
                                   {true, false, false}, {true, true, false}, {true, true, true}}));
}

TEST_F(ShownMainWindow, ListMenuOpensAtTheMouseCursor) {
    const QPoint cursor(140, 110);
    QCursor::setPos(cursor);
    ASSERT_EQ(QCursor::pos(), cursor);
    ShowListMenu(window);
    ASSERT_TRUE(waitFor([&] { return window.菜单->isVisible(); }));
    EXPECT_EQ(window.菜单->pos(), cursor);
    EXPECT_EQ(window.菜单->parentWidget(), &window);
    window.菜单->close();
}

// Counts the complaints of QAbstractItemModelTester, which reports through qWarning.
class ModelWarnings {
public:
    ModelWarnings() { s_count = 0, s_previous = qInstallMessageHandler(&ModelWarnings::count); }
    ~ModelWarnings() { qInstallMessageHandler(s_previous); }
    int total() const { return s_count; }

private:
    static void count(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type >= QtWarningMsg && qstrcmp(context.category, "qt.modeltest") == 0) {
            ++s_count;
        }
        s_previous(type, context, text);
    }
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

TEST_F(ShownMainWindow, RowsAreUsableAtOnceAndReachTheViewInBatches) {
    ModelWarnings warnings;
    ResultListModel& model = window.超级列表框1->rows();
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    ResultList& rows = window.resultList();

    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) {
        const int row = rows.appendRow();
        ASSERT_EQ(row, i);
        rows.setCell(row, kColName, "song " + std::to_string(i));
        rows.setTicked(row, i % 2 == 0);
        ASSERT_EQ(rows.cell(row, kColName), "song " + std::to_string(i));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(rows.rowCount(), kRows);
    EXPECT_LE(model.rowCount(), kRows);
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == kRows; }));
    EXPECT_EQ(model.data(model.index(kRows - 1, kColName), Qt::DisplayRole).toString(),
              qs("song 1999"));
    EXPECT_EQ(model.data(model.index(4, kColIndex), Qt::CheckStateRole).toInt(), Qt::Checked);

    // Selecting or revealing a row the view has not heard of yet shows it first.
    const int late = rows.appendRow();
    rows.selectRow(late);
    rows.ensureVisible(late);
    EXPECT_EQ(rows.selectedRow(), late);
    EXPECT_EQ(model.rowCount(), kRows + 1);

    // Out-of-range cells read as empty and writes to them are ignored.
    rows.setCell(kRows + 5, kColName, "nowhere");
    rows.setCell(0, kResultColumnCount, "nowhere");
    EXPECT_EQ(rows.cell(kRows + 5, kColName), "");
    EXPECT_EQ(rows.cell(-1, kColName), "");
    EXPECT_FALSE(rows.isTicked(kRows + 5));

    rows.clearRows();
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(rows.selectedRow(), -1);
    EXPECT_EQ(warnings.total(), 0);
}

// The window keeps values where the plain list keeps texts: both must read the same cells.
TEST_F(ShownMainWindow, SongsAndRowStatesReadAsTheSameCellsAsAListOfTexts) {
    ModelWarnings warnings;
    ResultListModel& model = window.超级列表框1->rows();
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    Song searched{Utf8ToLocal("抖音 - 夜空"), "AB12", "9", "http://h/yy?x", 245, 3932160,
                  SongOrigin::KeywordSearch};
    Song missing{"b", "", "", "", std::nullopt, SongNumber("inf"), SongOrigin::KeywordSearch};
    Song shared{
        "c", "CD34", "7", "http://h/yy?y", std::nullopt, std::nullopt, SongOrigin::SharePage};
    ResultList& rows = window.resultList();
    MemoryResultList texts;
    for (ResultList* list : {&rows, static_cast<ResultList*>(&texts)}) {
        list->appendSongs({searched, missing, shared});
        list->setRowStatus(0, RowStatus::Complete);
        list->setProgress(0, DownloadProgress{450, 1000, 126362});
        list->setRowStatus(1, RowStatus::FailedTask);
        list->setCell(2, kColStatus, Utf8ToLocal("错误地址"));
        list->setCell(2, kColProgress, Utf8ToLocal("回调已启动"));
    }
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(model.rowCount(), 3); // handed over in one step, shown at once
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < kResultColumnCount; ++column) {
            EXPECT_EQ(rows.cell(row, column), texts.cell(row, column)) << row << "," << column;
        }
    }
    EXPECT_EQ(rows.cell(0, kColDuration), "04:05");
    EXPECT_EQ(rows.cell(0, kColSize), "3.75M");
    EXPECT_EQ(rows.cell(0, kColProgress), "45% + 123.40KB");
    EXPECT_EQ(rows.cell(1, kColRawBytes), "inf");
    EXPECT_EQ(rows.cell(1, kColDuration), "00:00");
    EXPECT_EQ(rows.cell(2, kColDuration), "");
    // What the view shows follows a later write.
    EXPECT_EQ(model.data(model.index(0, kColStatus), Qt::DisplayRole).toString(), qs("下载完成"));
    rows.setRowStatus(0, RowStatus::ExistsLocally);
    rows.setCell(0, kColName, Utf8ToLocal("新名字"));
    EXPECT_EQ(model.data(model.index(0, kColStatus), Qt::DisplayRole).toString(), qs("本地存在"));
    EXPECT_EQ(model.data(model.index(0, kColName), Qt::DisplayRole).toString(), qs("新名字"));
    EXPECT_EQ(model.data(model.index(2, kColIndex), Qt::DisplayRole).toString(), qs("2"));
    EXPECT_EQ(warnings.total(), 0);
}

TEST_F(ShownMainWindow, TickingARowByItsCheckBoxReachesTheRowStore) {
    ResultList& rows = window.resultList();
    addSongs(rows, {"甲", "乙"});
    ReportList& list = *window.超级列表框1;
    ASSERT_TRUE(waitFor([&] { return list.model()->rowCount() == 2; }));
    EXPECT_TRUE(
        list.model()->setData(list.model()->index(1, kColIndex), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(ticks(rows), (std::vector<bool>{false, true}));
    // Only the first column carries the tick.
    EXPECT_FALSE(
        list.model()->setData(list.model()->index(0, kColName), Qt::Checked, Qt::CheckStateRole));
    EXPECT_FALSE(rows.isTicked(0));
}

TEST_F(ShownMainWindow, RowNumbersUpTo99999FitTheIndexColumnAndItsBoxStillTicks) {
    const QFont previous = QApplication::font();
    UseProgramFont();
    ResultList& rows = window.resultList();
    addSongs(rows, {"甲"});
    ReportList& list = *window.超级列表框1;
    ASSERT_TRUE(waitFor([&] { return list.model()->rowCount() == 1; }));
    const QModelIndex first = list.model()->index(0, kColIndex);
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.widget = &list;
    option.font = QApplication::font(&list);
    option.rect = list.visualRect(first);
    const IndexCellDelegate::Layout layout = IndexCellDelegate::layoutFor(option);
    EXPECT_EQ(option.rect.width(), 50);
    // The widest number is drawn whole, in a font no smaller than three quarters of the list's.
    const QFont numberFont = IndexCellDelegate::numberFont(option, "99999");
    EXPECT_GE(layout.number.width(), QFontMetrics(numberFont).horizontalAdvance("99999"));
    EXPECT_GE(numberFont.pointSizeF(), option.font.pointSizeF() * 0.75);
    EXPECT_EQ(IndexCellDelegate::numberFont(option, "42"), option.font);
    EXPECT_TRUE(option.rect.contains(layout.checkBox));

    // A real click on the box where it is drawn ticks the row, a second one unticks it.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, layout.checkBox.center());
    EXPECT_TRUE(rows.isTicked(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, layout.checkBox.center());
    EXPECT_FALSE(rows.isTicked(0));
    // A click on the number selects the row without ticking it.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, layout.number.center());
    EXPECT_FALSE(rows.isTicked(0));
    EXPECT_EQ(rows.selectedRow(), 0);
    QApplication::setFont(previous);
}

} // namespace
} // namespace tb::app::test
