// Creation of the main window's controls with their captions and places.

#include "app/main_window.h"

#include "app/report_list.h"
#include "app/wrapping_check_box.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaPlayer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <utility>

namespace tb::app {
namespace {

template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height) {
    control->setObjectName(QString::fromUtf8(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QSlider* percentSlider(Qt::Orientation orientation, QWidget* parent) {
    auto* slider = new QSlider(orientation, parent);
    slider->setRange(0, 100);
    return slider;
}

} // namespace

void MainWindow::buildSearchControls() {
    编辑框_输入 = place(new QLineEdit(text("抖音"), this), "编辑框_输入", 8, 8, 209, 24);
    按钮_获取 = place(new QPushButton(text("获取列表"), this), "按钮_获取", 222, 8, 74, 24);
    标签1 = place(new QLabel(text("目录搜索："), this), "标签1", 302, 8, 54, 24);
    编辑框_搜 = place(new QLineEdit(text("搜你喜欢~"), this), "编辑框_搜", 360, 8, 112, 24);
    按钮_搜 = place(new QPushButton(text("搜~"), this), "按钮_搜", 478, 7, 48, 24);
    超级列表框1 = place(new ReportList(this), "超级列表框1", 8, 42, 520, 552);
    // The suggestions drop down over the list, so they are created after it.
    列表框_预热 = place(new QListWidget(this), "列表框_预热", 8, 32, 209, 162);
    列表框_预热->hide();
}

void MainWindow::buildPlayerControls() {
    图片框_image = place(new QLabel(this), "图片框_image", 615, 24, 144, 112);
    图片框_image->setScaledContents(true);
    图片框_image->setFrameShape(QFrame::StyledPanel);
    编辑框_歌词 = place(new QPlainTextEdit(this), "编辑框_歌词", 537, 144, 281, 328);
    标签_name = place(new QLabel(this), "标签_name", 537, 488, 284, 24);
    滑块条_进度 = place(percentSlider(Qt::Horizontal, this), "滑块条_进度", 531, 520, 256, 37);
    标签_音量 = place(new QLabel(text("音量"), this), "标签_音量", 791, 520, 28, 89);
    标签_音量->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    标签_音量->setWordWrap(true);
    // The player writes seven lines here (the value, five empty lines, "音量") around the
    // slider; they fit the label's 28 x 89 pixels in a small font only.
    QFont small = 标签_音量->font();
    small.setPointSizeF(7);
    标签_音量->setFont(small);
    滑块条_音量 = place(percentSlider(Qt::Vertical, this), "滑块条_音量", 792, 533, 20, 58);
    // Position 0 at the top, as the volume is counted down from there.
    滑块条_音量->setInvertedAppearance(true);
    按钮_停止 = place(new QPushButton(text("停止"), this), "按钮_停止", 647, 560, 72, 32);
    标签_时间 = place(new QLabel(text("时间控制 - Sonora"), this), "标签_时间", 551, 616, 256, 24);
    时钟1 = new QTimer(this);
    时钟1->setObjectName(text("时钟1"));
    媒体播放 = new QMediaPlayer(this);
    媒体播放->setObjectName(text("媒体播放"));
    选择框2 = place(new WrappingCheckBox(text("播放页面 自由排版     勾选编辑保存"), this),
                    "选择框2", 295, 595, 137, 32);
    选择框_随机播放 =
        place(new QCheckBox(text("唱完随机放下一个"), this), "选择框_随机播放", 295, 628, 177, 16);
}

void MainWindow::buildDownloadControls() {
    按钮_关于 = place(new QPushButton(text("关于/说明"), this), "按钮_关于", 448, 603, 80, 32);
    const QString saveFolder = QDir::homePath() + text("/抖音歌曲cc/");
    编辑框_保存目录 = place(new QLineEdit(saveFolder, this), "编辑框_保存目录", 8, 598, 160, 24);
    标签2 = place(new QLabel(text("想保存在哪里自己定义"), this), "标签2", 23, 624, 136, 16);
    选择框1 = place(new WrappingCheckBox(text("利用 batchget接口下载"), this), "选择框1", 173, 598,
                    147, 16);
    // The plug-in switch reaches over the square of the layout box: that square lies above
    // it, and each box takes clicks only over its own square and caption.
    选择框2->raise();
    按钮_下载 = place(new QPushButton(text("下载选中歌曲"), this), "按钮_下载", 174, 615, 104, 27);
}

void MainWindow::buildListMenu() {
    菜单 = new QMenu(this);
    菜单->setObjectName(text("菜单"));
    复制名字 = 菜单->addAction(text("复制名字"));
    复制名字->setObjectName(text("复制名字"));
    // The download options: checkable, so the menu shows whether each is on.
    for (auto [action, caption] :
         {std::pair{&写入歌曲标签, "写入歌曲标签"}, std::pair{&保存歌词文件, "保存歌词文件"}}) {
        *action = 菜单->addAction(text(caption));
        (*action)->setObjectName(text(caption));
        (*action)->setCheckable(true);
    }
}

} // namespace tb::app
