// batchget: the helper that downloads one song for the main program, one process per song.
//   batchget ENCODED_TARGET_PATH PLAY_URL [--tags] [--lyrics-file] [--name=...] ...
// The song's extras may follow the two arguments (plugin_extras.h); anything else ends it
// at once, as does a wrong number of arguments. It shows what it fetches, saves the
// song, appends a record to the log in the target's folder and ends; after a failure it
// stays 30 seconds with a countdown. The exit status is 0 in every orderly case. When no
// window can be opened it downloads all the same, unseen.
// TUNEBATCH_BATCHGET_TICK_MS sets the length of a countdown second (tests).

#include "data/local_text.h"
#include "platform/environment.h"
#include "platform/qt/qt_platform.h"
#include "plugin/path_codec.h"
#include "plugin/plugin_extras.h"
#include "plugin/plugin_job.h"
#include "plugin/plugin_window.h"
#include "transport/curl_setup.h"

#include <QApplication>
#include <QTimer>

#include <string>
#include <vector>

namespace {

constexpr int kTickMs = 1000;

int countdownTickMs() {
    const auto value = tb::platform::EnvironmentValue("TUNEBATCH_BATCHGET_TICK_MS");
    const long long ms = value ? tb::LocalToInt(*value) : 0;
    return ms > 0 && ms <= kTickMs ? static_cast<int>(ms) : kTickMs;
}

bool contains(const std::string& list, const std::string& name) {
    return (";" + list + ";").find(";" + name + ";") != std::string::npos;
}

// The helper downloads whether or not a window can be opened: without any display it
// starts offscreen at once, and the desktop platform (the one asked for, if any) gets
// Qt's offscreen platform as its fallback, for a display that is full or gone.
void choosePlatformWithFallback() {
    using tb::platform::EnvironmentValue;
    const auto asked = EnvironmentValue("QT_QPA_PLATFORM");
    std::string platforms;
    if (asked && !asked->empty()) {
        platforms = *asked;
    } else if (EnvironmentValue("WAYLAND_DISPLAY")) {
        platforms = EnvironmentValue("DISPLAY") ? "wayland;xcb" : "wayland";
    } else if (EnvironmentValue("DISPLAY")) {
        platforms = "xcb";
    }
    if (!contains(platforms, "offscreen")) {
        platforms += platforms.empty() ? "offscreen" : ";offscreen";
    }
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platforms));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() < 2) {
        return 0;
    }
    const std::optional<tb::tags::SongExtras> extras =
        tb::plugin::ParsePluginExtras({arguments.begin() + 2, arguments.end()});
    if (!extras) {
        return 0;
    }
    tb::transport::InitialiseCurl(); // before Qt starts any thread
    choosePlatformWithFallback();
    // Qt never sees the arguments, so a path that looks like a Qt option stays a path.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    tb::platform::installQtPlatformHandlers();

    const std::string targetPath = tb::plugin::DecodePluginPath(tb::Utf8ToLocal(arguments[0]));
    const std::string playUrl = tb::Utf8ToLocal(arguments[1]);
    tb::plugin::PluginWindow window(playUrl, targetPath, countdownTickMs());
    window.placeRandomly();
    window.show();
    QObject::connect(&window, &tb::plugin::PluginWindow::countdownEnded, &application,
                     &QCoreApplication::quit);
    QTimer::singleShot(0, &window, [&] {
        const tb::plugin::JobResult result = tb::plugin::RunPluginJob(
            targetPath, playUrl, tb::transport::kDefaultRateFloor, *extras);
        if (result.outcome == tb::plugin::JobOutcome::Failed) {
            window.startCountdown();
        } else {
            QCoreApplication::quit();
        }
    });
    QApplication::exec();
    return 0;
}
