#pragma once
// One running download: its control thread, its connections, the segment table and byte
// counters under one lock, and the event queue under another. Connection threads report
// through the queue; the control thread delivers the events in queue order and reports
// kind 4 after the last connection has ended.

#include "download/download_settings.h"
#include "download/segment_table.h"
#include "platform/mapped_file.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tb::download {

class Connection;

// What one store of received bytes did.
struct StoreResult {
    std::int64_t accepted = 0;    // bytes copied into the file
    std::int64_t offsetAfter = 0; // the segment's offset after the copy
    bool segmentFinished = false;
    bool writeFailed = false;
};

class DownloadTask {
public:
    DownloadTask(EngineSettings engine, DownloadSettings settings, DownloadLogReceiver log);
    ~DownloadTask();
    DownloadTask(const DownloadTask&) = delete;
    DownloadTask& operator=(const DownloadTask&) = delete;

    // Starts the control thread; false when it cannot run.
    bool start();
    // Asks the task to stop; the control thread ends it within the grace time.
    void requestStop();
    // Waits until kind 4 has been delivered (returns at once on the task's own threads,
    // where the receiver runs: waiting there could never end).
    void waitUntilEnded();
    bool ended() const { return m_ended.load(); }
    // True on the control thread and the connection threads of this task.
    bool onOwnThread() const;
    // Marks the calling thread as one of this task's threads.
    void adoptCurrentThread() const;

    std::int64_t bytesWritten() const;
    std::int64_t takeReceivedSinceLastQuery();
    DownloadOutcome outcome() const;

    // --- used by connection threads ---
    const DownloadSettings& settings() const { return m_settings; }
    const EngineSettings& engineSettings() const { return m_engine; }
    bool stopping() const { return m_stopping.load(); }
    // Sleeps up to milliseconds; returns early (true) when the task is stopping.
    bool waitForStop(int milliseconds);
    void queueEvent(int kind, int connection, std::int64_t value, std::int64_t second = 0);
    // Logs a UTF-8 text; a failure text is also kept as the task's reason.
    void log(std::string_view utf8, bool isFailure = false);
    std::string sourceUrl() const;
    void setSourceUrl(const std::string& url);

    // After the first good answer: asks about an existing target, creates the file, splits
    // the table and asks for the other connections. Returns the caller's segment.
    std::optional<int> openTarget(int connection, std::optional<std::int64_t> totalSize,
                                  bool rangesWork);
    std::optional<std::int64_t> totalSize() const;
    Segment segment(int index) const;
    StoreResult store(int connection, int index, bool firstStep, bool furtherSegment,
                      const char* data, std::size_t length);
    std::optional<int> takeNextSegment(int connection);
    // A transfer of unknown length ended normally: its segment ends where the data did.
    void settleUnknownLength(int index);
    void connectionEnded(int connection, std::optional<int> index, bool ok,
                         std::int64_t offsetReached);

private:
    struct QueuedEvent {
        int kind;
        int connection;
        std::int64_t value;
        std::int64_t second;
    };
    static constexpr int kStartConnection = -1;

    void controlLoop();
    void waitForWork(std::unique_lock<std::mutex>& lock);
    void deliver(const QueuedEvent& event);
    void launchConnection(std::optional<int> index);
    void startFurtherConnection();
    bool createTarget(int connection, std::optional<std::int64_t> totalSize);
    std::optional<std::string> resolveExistingTarget(int connection, std::string target,
                                                     std::optional<std::int64_t> totalSize);
    void finish();

    const EngineSettings m_engine;
    DownloadSettings m_settings;
    const DownloadLogReceiver m_log;

    // Segment table, counters, file state and the source address.
    mutable std::mutex m_tableMutex;
    SegmentTable m_table;
    platform::MappedFile m_file;
    bool m_fileOpen = false;
    bool m_writeFailed = false;
    bool m_severalConnections = false;
    std::optional<std::int64_t> m_total;
    std::int64_t m_written = 0;
    std::int64_t m_receivedSinceQuery = 0;
    std::string m_sourceUrl;
    std::string m_failure;

    // Event queue and the count of live connections.
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<QueuedEvent> m_queue;
    int m_liveConnections = 0;

    std::atomic<bool> m_stopping{false};
    std::optional<std::chrono::steady_clock::time_point> m_graceEnd; // control thread
    bool m_graceLogged = false;                                      // control thread
    std::mutex m_stopMutex;
    std::condition_variable m_stopRequested;
    std::atomic<bool> m_ended{false};
    std::mutex m_endMutex;
    std::condition_variable m_endReached;
    DownloadOutcome m_outcome;

    std::thread m_control;
    int m_nextConnection = 0;
    std::vector<std::unique_ptr<Connection>> m_connections; // control thread only
};

} // namespace tb::download
