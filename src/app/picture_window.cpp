#include "app/picture_window.h"

#include "app/later_operations.h"
#include "app/operations.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace tb::app {

PictureWindow::PictureWindow(QWidget* parent) : QWidget(parent) {
    setGeometry(50, 50, 518, 375);
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
