// Operations on the windows: the keyword box, the About window, the layout-edit switch and
// the picture window that stays behind the front window.

#include "app/about_window.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/picture_window.h"
#include "platform/events.h"
#include "skins/skin_sheets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace tb::app {
namespace {

constexpr int kSelectKeywordDelayMs = 150;

// Gives the window the outer rectangle, frame included.
void setOuterGeometry(QWidget& window, const QRect& outer) {
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    const int frameWidth = frame.width() - inner.width();
    const int frameHeight = frame.height() - inner.height();
    window.move(outer.topLeft());
    window.resize(std::max(0, outer.width() - frameWidth),
                  std::max(0, outer.height() - frameHeight));
}

// One pixel inside the front window's left and top edges.
void movePictureOnto(PictureWindow& picture, const QWidget& front) {
    const QRect outer = front.frameGeometry();
    setOuterGeometry(
        picture, QRect(outer.left() + 1, outer.top() + 1, outer.width() - 1, outer.height() - 1));
}

void raiseToFront(QWidget& window) {
    window.raise();
    window.activateWindow();
}

void keepBehindActivatedMain(MainWindow& window, PictureWindow* picture) {
    window.show();
    if (picture != nullptr) {
        movePictureOnto(*picture, window);
        picture->raise();
    }
    raiseToFront(window);
}

void keepBehindMovedMain(MainWindow& window, PictureWindow* picture) {
    if (picture == nullptr) {
        return;
    }
    movePictureOnto(*picture, window);
    // Shown before the main window is raised, so that it lands behind it.
    picture->show();
    raiseToFront(window);
}

} // namespace

void SelectKeyword(MainWindow& window) {
    platform::WaitProcessingEvents(kSelectKeywordDelayMs);
    window.编辑框_输入->setFocus(Qt::OtherFocusReason);
    window.编辑框_输入->selectAll();
}

void OpenAbout(MainWindow& window) {
    window.hide();
    AboutWindow about;
    QObject::connect(&about, &AboutWindow::moved, &window, [&window, &about] {
        KeepPictureBehind(window, PictureAnchor::AboutMoved, &about);
    });
    QObject::connect(&about, &QDialog::finished, &window, [&window, &about] {
        KeepPictureBehind(window, PictureAnchor::AboutClosing, &about);
    });
    about.exec();
}

void ToggleLayoutEdit(MainWindow& window) {
    const bool editing = window.选择框2->isChecked();
    appState().layoutEdit = editing;
    // A sheet of the window's own goes over the skin's; clearing it gives the skin's look back.
    window.setStyleSheet(editing ? skins::LayoutEditSheet() : QString());
}

void KeepPictureBehind(MainWindow& window, PictureAnchor event, QWidget* about) {
    if (event == PictureAnchor::MainResized) {
        if (PictureWindow* picture = window.pictureWindow()) {
            movePictureOnto(*picture, window);
        }
        return;
    }
    // Raising and activating windows reports further activations; one pass is enough.
    static bool running = false;
    if (running) {
        return;
    }
    running = true;
    PictureWindow* picture = window.pictureWindow();
    switch (event) {
    case PictureAnchor::MainMoved:
        keepBehindMovedMain(window, picture);
        break;
    case PictureAnchor::MainResized:
        break;
    case PictureAnchor::MainActivated:
    case PictureAnchor::AboutClosing:
        keepBehindActivatedMain(window, picture);
        break;
    case PictureAnchor::AboutMoved:
        if (picture != nullptr && about != nullptr) {
            movePictureOnto(*picture, *about);
        }
        if (about != nullptr) {
            about->setWindowOpacity(kFrontWindowOpacity);
        }
        break;
    }
    running = false;
}

void FitPicture(PictureWindow& window) {
    window.图片框1->setGeometry(0, 0, window.width(), window.height());
}

void RaisePicture(PictureWindow& window) {
    raiseToFront(window);
}

} // namespace tb::app
