// The exit routine with a download still running: the task is stopped, its last report
// reaches the window's list, and the engine is gone afterwards.

#include "app/app_state.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "data/qt_local_text.h"
#include "download/download_engine.h"
#include "download/download_worker.h"

#include <QTemporaryDir>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tb::app::test {
namespace {

constexpr std::size_t kSongBytes = 4 * 1024 * 1024;

// Serves a song that sends its first bytes and then stalls until released.
class StallingSongServer {
public:
    StallingSongServer() {
        m_server.Get("/song.mp3", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(
                kSongBytes, "audio/mpeg",
                [this](std::size_t, std::size_t length, httplib::DataSink& sink) {
                    const std::string first(std::min<std::size_t>(length, 1024), 'x');
                    sink.write(first.data(), first.size());
                    while (!m_released && sink.is_writable()) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                    return false;
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~StallingSongServer() {
        m_released = true;
        while (!m_server.is_running()) {
            std::this_thread::yield();
        }
        m_server.stop();
        m_thread.join();
    }
    std::string address() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/song.mp3";
    }

private:
    httplib::Server m_server;
    std::atomic<bool> m_released{false};
    int m_port = 0;
    std::thread m_thread;
};

TEST_F(AppTest, ExitRoutineStopsARunningDownloadBeforeReleasingTheEngine) {
    StallingSongServer server;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    MainWindow window;
    ResultList& rows = window.resultList();
    const int row = rows.appendRow();
    rows.setTicked(row, true);

    InitDownloadEngine(rows, 20480, 0, 0);
    AppState& state = appState();
    state.downloadWorker->StartRowDownload(server.address(),
                                           QStringToLocal(folder.path()) + "/song.mp3", row);
    ASSERT_TRUE(waitFor([&] { return !rows.cell(row, kColStatus).empty(); }));
    ASSERT_TRUE(state.downloadEngine->running());

    RunExitRoutine();
    EXPECT_EQ(state.downloadEngine, nullptr);
    EXPECT_EQ(state.downloadWorker, nullptr);
    EXPECT_FALSE(DownloadBusy.load());
    // The task's final report was carried out on the list before the worker went away.
    EXPECT_FALSE(rows.isTicked(row));
}

} // namespace
} // namespace tb::app::test
