#include "app/picture_window.h"

#include "app/main_window.h"
#include "app/operations.h"
#include "net/random_picture.h"
#include "platform/events.h"
#include "platform/thread_name.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <thread>

namespace tb::app {
namespace {

// Shows the bytes as the picture; bytes that are no picture (or none) show nothing.
void showPicture(PictureWindow& window, const std::string& bytes) {
    QPixmap picture;
    picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                         static_cast<uint>(bytes.size()));
    window.图片框1->setPixmap(picture);
}

void setMainWindowOpacity() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<MainWindow*>(widget)) {
            main->setWindowOpacity(kFrontWindowOpacity);
        }
    }
}

} // namespace

// The first picture is fetched on a short-lived thread of its own, so the window opens at
// once; the picture and the main window's opacity are set on the user-interface thread.
// A window closed in the meantime is not touched.
void LoadRandomPictureInBackground(PictureWindow& window) {
    net::SeedPictureNumbers();
    QPointer<PictureWindow> target(&window);
    std::thread([target] {
        platform::setCurrentThreadName("picture-loader");
        std::string bytes = net::FetchRandomPicture();
        platform::PostToUiThread([target, bytes = std::move(bytes)] {
            if (target) {
                showPicture(*target, bytes);
                setMainWindowOpacity();
            }
        });
    }).detach();
}

// The timer's picture change: fetched on the user-interface thread, which waits for it.
void LoadRandomPicture(PictureWindow& window) {
    showPicture(window, net::FetchRandomPicture());
}

PictureWindow::PictureWindow(QWidget* parent) : QWidget(parent) {
    setGeometry(50, 50, 518, 375);
    // The skins' style sheets paint this window's background.
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    图片框1 = new QLabel(this);
    图片框1->setObjectName(QString::fromUtf8("图片框1"));
    图片框1->setScaledContents(true);
    图片框1->installEventFilter(this);
    时钟1 = new QTimer(this);
    时钟1->setObjectName(QString::fromUtf8("时钟1"));
    connect(时钟1, &QTimer::timeout, this, [this] { LoadRandomPicture(*this); });
    时钟1->start(kPictureIntervalMs);
    FitPicture(*this);
    LoadRandomPictureInBackground(*this);
}

void PictureWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    FitPicture(*this);
}

void PictureWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitPicture(*this);
}

void PictureWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closing();
}

bool PictureWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == 图片框1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        RaisePicture(*this);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tb::app
