// The audition in the real main window against the stand-in catalogue (the run script
// points the catalogue hosts at it, serving the demo songs).
//
//   tunebatch-audition-bench RUNS PLAY_SECONDS
// 1. RUNS double-clicks on playable rows, one after another: the time from the call of
//    AuditionSelectedRow to the first media position above 0. Prints
//    "start-ms first F median M max X later-max L" (F: the first run, which also sets up the
//    media back end; median and max over all runs; L: the max of the runs after the first).
// 2. PLAY_SECONDS of playback with random next ticked, so songs follow each other: the
//    processor time of the whole program meanwhile. Prints "cpu-percent P seconds S".

#include "app/main_window.h"
#include "app/player_operations.h"
#include "catalogue/catalogue_addresses.h"
#include "catalogue/result_list.h"
#include "catalogue/song_list_fetch.h"
#include "data/local_text.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaPlayer>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using tb::app::MainWindow;

double processorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& value) {
        return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::vector<int> playableRows(tb::ResultList& list) {
    const std::string silent = tb::Utf8ToLocal("听不到的歌");
    std::vector<int> rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        if (!tb::ContainsLocal(list.cell(row, tb::kColName), silent)) {
            rows.push_back(row);
        }
    }
    return rows;
}

// Milliseconds from the double-click to the first position above 0; -1 when none came.
double timeToSound(MainWindow& window, int row) {
    QElapsedTimer clock;
    double firstSoundMs = -1;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (firstSoundMs < 0 && window.媒体播放->position() > 0) {
            firstSoundMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
    });
    window.resultList().selectRow(row);
    probe.start(1);
    clock.start();
    tb::app::AuditionSelectedRow(window);
    const bool sounded = QTest::qWaitFor([&] { return firstSoundMs >= 0; }, 5000);
    tb::app::StopAudition(window);
    return sounded ? firstSoundMs : -1;
}

int measureStart(MainWindow& window, int runs) {
    const std::vector<int> rows = playableRows(window.resultList());
    if (rows.empty()) {
        std::fprintf(stderr, "bench: no playable rows\n");
        return 1;
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = timeToSound(window, rows[run % rows.size()]);
        if (ms < 0) {
            std::fprintf(stderr, "bench: run %d never played\n", run);
            return 1;
        }
        times.push_back(ms);
        QTest::qWait(200);
    }
    const double first = times.front();
    const double laterMax =
        times.size() > 1 ? *std::max_element(times.begin() + 1, times.end()) : 0;
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 == 1
                              ? times[times.size() / 2]
                              : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("start-ms first %.1f median %.1f max %.1f later-max %.1f\n", first, median,
                times.back(), laterMax);
    return 0;
}

void measurePlayback(MainWindow& window, int seconds) {
    window.选择框_随机播放->setChecked(true);
    window.resultList().selectRow(playableRows(window.resultList()).front());
    tb::app::AuditionSelectedRow(window);
    QElapsedTimer clock;
    clock.start();
    const double before = processorSeconds();
    // A plain event loop, as the program's own: QTest's waits wake every few milliseconds.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = processorSeconds() - before;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    tb::app::StopAudition(window);
    std::printf("cpu-percent %.2f seconds %.1f\n", 100.0 * used / wall, wall);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tunebatch-audition-bench RUNS PLAY_SECONDS\n");
        return 2;
    }
    tb::platform::installQtPlatformHandlers();
    MainWindow window;
    window.show();
    tb::FetchSongListInto("-", window.resultList(), tb::ConfiguredCatalogueHosts());
    if (measureStart(window, std::atoi(argv[1])) != 0) {
        return 1;
    }
    measurePlayback(window, std::atoi(argv[2]));
    tb::app::CloseAudition(window);
    return 0;
}
