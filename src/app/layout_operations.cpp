#include "app/layout_operations.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "data/qt_local_text.h"
#include "layout/layout_persistence.h"
#include "platform/file_system.h"

#include <QStandardPaths>

namespace tb::app {
namespace {

// The main window's player controls by name, and its outer size.
class WindowLayoutSurface : public layout::LayoutSurface {
public:
    explicit WindowLayoutSurface(MainWindow& window) : m_window(window) {}

    layout::ControlPlace controlPlace(std::string_view name) const override {
        const QWidget* control = find(name);
        return control != nullptr ? layout::ControlPlace{control->x(), control->y()}
                                  : layout::ControlPlace{};
    }
    void placeControl(std::string_view name, layout::ControlPlace place) override {
        if (QWidget* control = find(name)) {
            control->move(place.left, place.top);
        }
    }
    layout::WindowSize windowSize() const override {
        const QRect outer = m_window.frameGeometry();
        return {outer.width(), outer.height()};
    }
    void resizeWindow(layout::WindowSize size) override {
        m_window.resizeOuter(QSize(size.width, size.height));
    }

private:
    QWidget* find(std::string_view name) const {
        return m_window.findChild<QWidget*>(LocalToQString(name), Qt::FindDirectChildrenOnly);
    }

    MainWindow& m_window;
};

QString configurationFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

} // namespace

std::string LayoutFilePath() {
    const QString folder = configurationFolder();
    return folder.isEmpty() ? std::string()
                            : QStringToLocal(folder + QString::fromUtf8("/自由排版.ini"));
}

void LoadLayout(MainWindow& window) {
    WindowLayoutSurface surface(window);
    layout::LoadLayout(surface, LayoutFilePath());
}

void SaveLayout(MainWindow& window) {
    const QString folder = configurationFolder();
    if (folder.isEmpty() || !platform::CreateFolderPath(QStringToLocal(folder))) {
        return; // nowhere to keep it; like any failed write, nothing is reported
    }
    const WindowLayoutSurface surface(window);
    layout::SaveLayout(surface, LayoutFilePath());
}

void SaveLayoutOnResize(MainWindow& window) {
    KeepPictureBehind(window, PictureAnchor::MainResized);
    if (appState().layoutEdit) {
        SaveLayout(window);
    }
}

} // namespace tb::app
