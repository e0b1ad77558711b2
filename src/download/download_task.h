#pragma once
// One running download and its control flow: the control thread starts the connections,
// delivers their reports in queue order, keeps the journal of the partial file current, and
// after the last connection has ended settles the file (renamed onto the target or handed to
// the settings' publish step, kept for a later try, or removed) and reports kind 4.
//
// The parts it coordinates each keep their own state: the segments and byte counters
// (SegmentLedger), the partial file, its journal and the final rename (TargetFile), and the
// report queue (EventQueue). Connections see the task only as a ConnectionHost.

#include "download/connection_host.h"
#include "download/download_settings.h"
#include "download/event_queue.h"
#include "download/segment_ledger.h"
#include "download/stop_signal.h"
#include "download/target_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tb::download {

class Connection;

class DownloadTask final : private ConnectionHost {
public:
    DownloadTask(EngineSettings engine, DownloadSettings settings, DownloadLogReceiver log);
    ~DownloadTask() override;
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

    std::int64_t bytesWritten() const { return m_ledger.bytesWritten(); }
    std::int64_t takeReceivedSinceLastQuery() { return m_ledger.takeReceivedSinceQuery(); }
    DownloadOutcome outcome() const;

private:
    // --- ConnectionHost: called on connection threads ---
    bool stopping() const override { return m_stop.raised(); }
    bool waitForStop(int milliseconds) override;
    void report(int kind, int connection, std::int64_t value, std::int64_t second) override;
    void log(std::string_view utf8, bool isFailure) override;
    std::string sourceUrl() const override;
    void setSourceUrl(const std::string& url) override;
    std::optional<std::int64_t> firstOffset() override;
    TargetDecision openTarget(int connection, const AnswerFacts& answer) override;
    std::optional<std::int64_t> totalSize() const override { return m_ledger.total(); }
    Segment segment(int index) const override { return m_ledger.segment(index); }
    void receiving(int index) override { m_ledger.setReceiving(index); }
    void rangesRefused() override { m_ledger.refuseRanges(); }
    Claim claim(int connection, int index, std::int64_t length, bool firstStep,
                bool furtherSegment) override;
    bool write(int index, std::int64_t offset, const char* data, std::size_t length) override;
    std::optional<int> continueAt(int connection, std::int64_t offset) override;
    std::optional<int> takeNextSegment(int connection) override;
    void settleUnknownLength(int index) override { m_ledger.settleLength(index); }
    void connectionEnded(int connection, std::optional<int> index, bool ok,
                         std::int64_t offsetReached) override;

    // --- the first answer (first connection's thread) ---
    bool resumes(const AnswerFacts& answer) const;
    std::optional<std::string> chooseTarget(int connection, std::optional<std::int64_t> total);
    std::optional<std::string> resolveExistingTarget(int connection, std::string target,
                                                     std::optional<std::int64_t> total);
    bool enoughSpace(const std::string& target, std::int64_t total);
    bool openFile(const AnswerFacts& answer, bool resume);
    void planSegments(const AnswerFacts& answer, bool resume);
    TargetDecision beginReceiving(int connection, const AnswerFacts& answer, bool resume);

    // --- control thread ---
    void controlLoop();
    void deliver(const TaskEvent& event);
    void launchConnection(std::optional<int> index);
    void startFurtherConnection();
    void keepJournalCurrent();
    void watchStopGrace();
    void finish();
    bool settleFile();
    int publishSong();

    const EngineSettings m_engine;
    DownloadSettings m_settings;
    const DownloadLogReceiver m_log;
    const ConnectionConfig m_connectionConfig;

    SegmentLedger m_ledger;
    EventQueue m_events;
    TargetFile m_target;
    StopSignal m_stop;

    // The address the connections fetch, the first failure and the outcome.
    mutable std::mutex m_stateMutex;
    std::string m_sourceUrl;
    std::string m_failure;
    DownloadOutcome m_outcome;

    // Set on the first connection's thread while the file is opened, read everywhere after.
    std::atomic<bool> m_fileOpen{false};
    std::atomic<bool> m_severalConnections{false};
    std::atomic<bool> m_writeFailed{false};
    std::int64_t m_resumeOffset = 0;           // first connection only
    std::optional<std::string> m_chosenTarget; // first connection only

    // Control thread only.
    std::vector<std::unique_ptr<Connection>> m_connections;
    int m_nextConnection = 0;
    std::chrono::steady_clock::time_point m_nextJournal;
    std::vector<ByteRange> m_journaled;
    std::optional<std::chrono::steady_clock::time_point> m_graceEnd;
    bool m_graceLogged = false;
    bool m_publishStepFailed = false;

    std::atomic<bool> m_ended{false};
    std::thread m_control;
};

} // namespace tb::download
