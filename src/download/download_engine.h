#pragma once
// The download engine: one object per program, holding at most one running task. A task
// fetches one address into one new file over several ranged connections and reports to
// the settings' receiver on its own threads (see DownloadTask).

#include "download/download_settings.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace tb::download {

class DownloadTask;

class DownloadEngine {
public:
    DownloadEngine();
    ~DownloadEngine();
    DownloadEngine(const DownloadEngine&) = delete;
    DownloadEngine& operator=(const DownloadEngine&) = delete;

    // Receive buffer (bytes), retry wait (ms) and retry count; given once.
    void initialise(int receiveBuffer, int retryWaitMs, int retryCount);
    // The slowest a connection may be on average (1 KB/s over 30 s unless set); later
    // tasks use it.
    void setRateFloor(const transport::RateFloor& floor);
    void setLogReceiver(DownloadLogReceiver receiver);

    // Starts a task; refused (false) while another task is still held.
    bool start(const DownloadSettings& settings);
    // True from a successful start until the task's kind 4 has been delivered.
    bool running() const;
    // Bytes written so far by the running task (0 when none runs).
    std::int64_t bytesWritten() const;
    // Bytes received since the previous call; the count starts again at 0.
    std::int64_t bytesReceivedSinceLastCall();
    // Stops the running task and waits for its kind 4 (the connections get the task's
    // stop grace time). On the task's own thread it only asks.
    void stop();
    // Waits for the running task's kind 4.
    void waitUntilIdle();
    // How the last task ended.
    DownloadOutcome lastOutcome() const;

private:
    std::shared_ptr<DownloadTask> currentTask() const;

    mutable std::mutex m_mutex;
    EngineSettings m_settings;
    DownloadLogReceiver m_log;
    std::shared_ptr<DownloadTask> m_task;
};

} // namespace tb::download
