#include "app/about_window.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>

namespace tb::app {
namespace {

QString guide() {
    const QString saveFolder = QDir::homePath() + QString::fromUtf8("/抖音歌曲cc/");
    return QString::fromUtf8(
               "欢迎使用！下面是简单的使用说明。\n"
               "\n"
               "Sonora 是主程序，batchget 是批量下载接口；batchget 不在时，主程序会自己把它"
               "写出来，不用另外准备。\n"
               "\n"
               "用法：在左上角输入关键词，按 [获取列表]；在列表里双击一行就能试听；"
               "把想要的歌曲勾上，再按 [下载选中歌曲]。\n"
               "\n"
               "保存位置：默认保存在 %1 ，也可以填写你自己的文件夹，但结尾必须是 \"/\"，"
               "否则无法保存。\n"
               "\n"
               "播放页面可以自由排版：勾选 [播放页面 自由排版] 后，用鼠标拖动控件即可，"
               "位置会自动保存。\n"
               "\n"
               "关键词框启动时是 \"抖音\"，也可以直接填入歌单分享页的地址。")
        .arg(saveFolder);
}

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("关于/帮助"));
    setModal(true);
    setFixedSize(630, 282);
    m_guide = new QPlainTextEdit(guide(), this);
    m_guide->setReadOnly(true);
    m_guide->setGeometry(8, 8, 614, 232);
    m_hint = new QLabel(QString::fromUtf8("全部下载 建议利用 batchget接口下载（建议不要多开下载"
                                          "不然电脑会卡死网络会波动）"),
                        this);
    m_hint->setGeometry(8, 248, 614, 24);
}

void AboutWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    emit moved();
}

} // namespace tb::app
