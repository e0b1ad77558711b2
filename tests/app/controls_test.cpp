// The windows open with the designed controls: names, kinds, captions, places, columns.

#include "app/about_window.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/picture_window.h"
#include "app/report_list.h"
#include "app/wrapping_check_box.h"
#include "app_test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaPlayer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QWindow>

namespace tb::app::test {
namespace {

struct DesignedControl {
    const char* name;
    const char* kind; // Qt class the control must be
    QString caption;
    QRect geometry;
    bool visible;
};

QString captionOf(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        return text->toPlainText();
    }
    return {};
}

std::vector<DesignedControl> mainWindowControls() {
    const QString saveFolder = QDir::homePath() + qs("/抖音歌曲cc/");
    return {
        {"编辑框_输入", "QLineEdit", qs("抖音"), {8, 8, 209, 24}, true},
        {"按钮_获取", "QPushButton", qs("获取列表"), {222, 8, 74, 24}, true},
        {"标签1", "QLabel", qs("目录搜索："), {302, 8, 54, 24}, true},
        {"编辑框_搜", "QLineEdit", qs("搜你喜欢~"), {360, 8, 112, 24}, true},
        {"按钮_搜", "QPushButton", qs("搜~"), {478, 7, 48, 24}, true},
        {"列表框_预热", "QListWidget", {}, {8, 32, 209, 162}, false},
        {"超级列表框1", "QTreeView", {}, {8, 42, 520, 552}, true},
        {"图片框_image", "QLabel", {}, {615, 24, 144, 112}, true},
        {"编辑框_歌词", "QPlainTextEdit", {}, {537, 144, 281, 328}, true},
        {"标签_name", "QLabel", {}, {537, 488, 284, 24}, true},
        {"滑块条_进度", "QSlider", {}, {531, 520, 256, 37}, true},
        {"标签_音量", "QLabel", qs("音量"), {791, 520, 28, 89}, true},
        {"滑块条_音量", "QSlider", {}, {792, 533, 20, 58}, true},
        {"按钮_停止", "QPushButton", qs("停止"), {647, 560, 72, 32}, true},
        {"标签_时间", "QLabel", qs("时间控制 - Sonora"), {551, 616, 256, 24}, true},
        {"选择框2",
         "QCheckBox",
         qs("播放页面 自由排版     勾选编辑保存"),
         {295, 595, 137, 32},
         true},
        {"选择框_随机播放", "QCheckBox", qs("唱完随机放下一个"), {295, 628, 177, 16}, true},
        {"按钮_关于", "QPushButton", qs("关于/说明"), {448, 603, 80, 32}, true},
        {"编辑框_保存目录", "QLineEdit", saveFolder, {8, 598, 160, 24}, true},
        {"标签2", "QLabel", qs("想保存在哪里自己定义"), {23, 624, 136, 16}, true},
        {"选择框1", "QCheckBox", qs("利用 batchget接口下载"), {173, 598, 147, 16}, true},
        {"按钮_下载", "QPushButton", qs("下载选中歌曲"), {174, 615, 104, 27}, true},
    };
}

TEST_F(AppTest, MainWindowOpensWithEveryDesignedControl) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(
        window.windowTitle(),
        qs("Tunebatch  适用:[车载/手机/随身听/] 热搜：70 80 90 年代 抖音 热门新歌，尽在这里……"));
    EXPECT_EQ(window.frameGeometry(), QRect(50, 50, 837, 672)); // frame included

    for (const DesignedControl& designed : mainWindowControls()) {
        SCOPED_TRACE(designed.name);
        auto* control = window.findChild<QWidget*>(qs(designed.name));
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->inherits(designed.kind)) << control->metaObject()->className();
        EXPECT_EQ(control->parentWidget(), &window);
        EXPECT_EQ(captionOf(control), designed.caption);
        EXPECT_EQ(control->geometry(), designed.geometry);
        EXPECT_EQ(control->isVisible(), designed.visible);
    }
}

TEST_F(AppTest, SwitchCaptionsAtTheBottomStayWholeAndApartInTheProgramFont) {
    const QFont previous = QApplication::font();
    QFont programFont = previous;
    programFont.setPointSize(9);
    QApplication::setFont(programFont);
    {
        MainWindow window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCheckBox& box = *window.选择框1;
        QStyleOptionButton option;
        option.initFrom(&box);
        option.text = box.text();
        const QRect caption =
            box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box);
        EXPECT_LE(caption.left() + box.fontMetrics().horizontalAdvance(box.text()), box.width());

        // The layout box next to it begins its caption clear of the switch, and its first
        // line still fits.
        QCheckBox& layoutBox = *window.选择框2;
        option.initFrom(&layoutBox);
        option.text = layoutBox.text();
        const QRect layoutCaption =
            layoutBox.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &layoutBox);
        EXPECT_GE(layoutBox.x() + layoutCaption.left(), box.geometry().right() + 1);
        EXPECT_LE(layoutBox.fontMetrics().horizontalAdvance(qs("播放页面 自由排版")),
                  layoutBox.width() - layoutCaption.left());
    }
    QApplication::setFont(previous);
}

// The window point of the centre of a check box's square.
QPoint squareCentre(const QWidget& window, const QCheckBox& box) {
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect square = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    return box.mapTo(&window, square.center());
}

// Some window point of the region.
QPoint pointIn(const QRegion& region) {
    return region.isEmpty() ? QPoint(-1, -1) : region.begin()->center();
}

TEST_F(AppTest, EachBottomBoxTakesTheClicksOnWhatTheUserSeesOfIt) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    WrappingCheckBox& pluginSwitch = *qobject_cast<WrappingCheckBox*>(window.选择框1);
    WrappingCheckBox& layoutBox = *qobject_cast<WrappingCheckBox*>(window.选择框2);
    QWindow* screenWindow = window.windowHandle();
    const auto ticks = [&] { return std::pair(pluginSwitch.isChecked(), layoutBox.isChecked()); };

    // The layout box's square lies over the switch's rectangle, and above it.
    const QPoint layoutSquare = squareCentre(window, layoutBox);
    EXPECT_TRUE(pluginSwitch.geometry().contains(layoutSquare));
    EXPECT_GT(window.children().indexOf(&layoutBox), window.children().indexOf(&pluginSwitch));

    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, layoutSquare);
    EXPECT_EQ(ticks(), std::pair(false, true));
    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, layoutSquare);
    EXPECT_EQ(ticks(), std::pair(false, false));
    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, squareCentre(window, pluginSwitch));
    EXPECT_EQ(ticks(), std::pair(true, false));

    // The end of the switch's caption inside the layout box's rectangle is the switch's.
    const QRegion switchArea = pluginSwitch.clickArea().translated(pluginSwitch.pos());
    const QRegion layoutArea = layoutBox.clickArea().translated(layoutBox.pos());
    const QRegion captionEnd = (switchArea & layoutBox.geometry()) - layoutArea;
    ASSERT_FALSE(captionEnd.isEmpty());
    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, pointIn(captionEnd));
    EXPECT_EQ(ticks(), std::pair(false, false));

    // Off both squares and captions, a click ticks neither box.
    const QRegion bare = QRegion(layoutBox.geometry()) - layoutArea - switchArea;
    ASSERT_FALSE(bare.isEmpty());
    QTest::mouseClick(screenWindow, Qt::LeftButton, {}, pointIn(bare));
    EXPECT_EQ(ticks(), std::pair(false, false));
}

TEST_F(AppTest, MembersAreTheNamedControlsAndTheNonVisualPartsExist) {
    MainWindow window;
    EXPECT_EQ(window.findChild<QWidget*>(qs("按钮_获取")), window.按钮_获取);
    EXPECT_EQ(window.findChild<QWidget*>(qs("超级列表框1")), window.超级列表框1);
    EXPECT_EQ(window.findChild<QWidget*>(qs("编辑框_保存目录")), window.编辑框_保存目录);

    auto* clock = window.findChild<QTimer*>(qs("时钟1"));
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->interval(), 0);
    EXPECT_FALSE(clock->isActive());
    EXPECT_NE(window.findChild<QMediaPlayer*>(qs("媒体播放")), nullptr);

    auto* menu = window.findChild<QMenu*>(qs("菜单"));
    ASSERT_NE(menu, nullptr);
    // 复制名字, then the two download options (their behaviour: batch_window_test).
    ASSERT_EQ(menu->actions().size(), 3);
    const std::vector<QAction*> items{window.复制名字, window.写入歌曲标签, window.保存歌词文件};
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(menu->actions()[static_cast<int>(i)], items[i]);
        EXPECT_EQ(items[i]->text(), items[i]->objectName());
    }
    EXPECT_EQ(window.复制名字->objectName(), qs("复制名字"));

    EXPECT_EQ(window.滑块条_音量->orientation(), Qt::Vertical);
    EXPECT_EQ(window.滑块条_进度->orientation(), Qt::Horizontal);
}

TEST_F(AppTest, ResultListHasElevenColumnsWithHiddenDataCarriers) {
    MainWindow window;
    const QHeaderView* header = window.超级列表框1->header();
    const std::vector<std::pair<QString, int>> columns = {
        {qs("索引"), 50},     {qs("歌名 [点击全选]"), 180},
        {qs("hash"), 0},      {qs("album_id"), 0},
        {qs("URL"), 0},       {qs("已下载进度"), 100},
        {qs("下载状态"), 80}, {qs("时间"), 50},
        {qs("大小"), 50},     {qs("源时间"), 0},
        {qs("源大小"), 0}};
    ASSERT_EQ(header->count(), static_cast<int>(columns.size()));
    for (int column = 0; column < header->count(); ++column) {
        SCOPED_TRACE(column);
        const auto& [title, width] = columns[static_cast<std::size_t>(column)];
        EXPECT_EQ(window.超级列表框1->model()->headerData(column, Qt::Horizontal).toString(),
                  title);
        EXPECT_EQ(header->sectionSize(column), width);
        EXPECT_EQ(header->isSectionHidden(column), width == 0);
    }
    EXPECT_TRUE(header->sectionsClickable());
}

TEST_F(AppTest, AboutWindowShowsTheGuideInOrderAndTheHint) {
    AboutWindow about;
    EXPECT_EQ(about.windowTitle(), qs("关于/帮助"));
    EXPECT_EQ(about.size(), QSize(630, 282));
    EXPECT_TRUE(about.isModal());
    EXPECT_TRUE(about.guideText()->isReadOnly());
    EXPECT_EQ(about.hintLabel()->text(),
              qs("全部下载 建议利用 batchget接口下载（建议不要多开下载不然电脑会卡死网络会波动）"));

    // The guide walks through the program in the order a newcomer needs it.
    const QString guide = about.guideText()->toPlainText();
    const QStringList milestones = {qs("欢迎"),           qs("batchget"),
                                    qs("[获取列表]"),     qs("双击"),
                                    qs("[下载选中歌曲]"), QDir::homePath() + qs("/抖音歌曲cc/"),
                                    qs("\"/\""),          qs("拖动"),
                                    qs("\"抖音\""),       qs("分享页")};
    qsizetype previous = -1;
    for (const QString& milestone : milestones) {
        const qsizetype at = guide.indexOf(milestone);
        EXPECT_GT(at, previous) << milestone.toStdString();
        previous = std::max(previous, at);
    }
    EXPECT_FALSE(guide.contains(QLatin1Char('\\')));
}

TEST_F(AppTest, PictureWindowHoldsOnePictureAndAFifteenSecondClock) {
    PictureWindow picture;
    EXPECT_EQ(picture.geometry(), QRect(50, 50, 518, 375));
    EXPECT_EQ(picture.findChild<QLabel*>(qs("图片框1")), picture.图片框1);
    auto* clock = picture.findChild<QTimer*>(qs("时钟1"));
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->interval(), 15000);
    EXPECT_TRUE(clock->isActive());

    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    picture.resize(300, 200);
    EXPECT_TRUE(waitFor([&] { return picture.图片框1->geometry() == QRect(0, 0, 300, 200); }));
}

} // namespace
} // namespace tb::app::test
