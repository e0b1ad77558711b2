#include "app/startup.h"

#include "app/app_state.h"
#include "app/download_menu.h"
#include "app/instance_guard.h"
#include "app/layout_operations.h"
#include "app/main_window.h"
#include "app/operations.h"
#include "app/player_operations.h"
#include "data/local_text.h"
#include "platform/events.h"
#include "platform/process_list.h"
#include "skins/skins.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>

namespace tb::app {
namespace {

constexpr int kFirstRandomSkin = 11;
constexpr int kLastRandomSkin = 12;
constexpr int kEngineReceiveBufferBytes = 20480;

int randomSkinNumber() {
    const auto seed = std::chrono::system_clock::now().time_since_epoch().count();
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seed));
    return std::uniform_int_distribution<int>(kFirstRandomSkin, kLastRandomSkin)(generator);
}

} // namespace

StartupHooks StartupHooks::system() {
    return {platform::RunningProcessNames, platform::OwnExecutableName,
            [](int skinNumber) { skins::ApplySkin(skinNumber); }};
}

StartupResult RunStartup(MainWindow& window, const std::vector<std::string>& arguments,
                         const StartupHooks& hooks) {
    hooks.applySkin(randomSkinNumber());
    window.setWindowOpacity(kFrontWindowOpacity);
    ApplyVolume(window);
    InitDownloadEngine(window.resultList(), kEngineReceiveBufferBytes, 0, 0);
    LoadLayout(window);
    LoadDownloadOptions(window);
    window.loadPictureWindow();
    switch (RunInstanceGuard(hooks.processNames(), hooks.ownName())) {
    case GuardDecision::EndProgram:
        return StartupResult::EndProgram;
    case GuardDecision::SecondCopyGoesOn:
        return StartupResult::Running;
    case GuardDecision::NoOtherCopy:
        break;
    }
    if (const std::optional<int> skin = SkinChoice(arguments)) {
        hooks.applySkin(*skin);
    }
    return StartupResult::Running;
}

void EndProgramOnClose(MainWindow& window) {
    QObject::connect(&window, &MainWindow::programEnding, &window,
                     [] { platform::AbandonWaitingRequests(); });
    QObject::connect(&window, &MainWindow::programEnding, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
}

std::optional<int> SkinChoice(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2 || arguments[0] != "TS") {
        return std::nullopt;
    }
    // A number beyond int stays beyond the skin numbers instead of wrapping onto one.
    const long long number = LocalToInt(arguments[1]);
    return static_cast<int>(std::clamp<long long>(number, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

void UseProgramFont() {
    QFont font = QApplication::font();
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace tb::app
