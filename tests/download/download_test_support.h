#pragma once
// Runs download tasks for tests and keeps what they reported.

#include "download/download_engine.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tb::test {

struct RecordedEvent {
    int kind = 0;
    int connection = 0;
    std::int64_t value = 0;
    std::int64_t second = 0;
    std::thread::id thread; // where the receiver was called
};

// A receiver that records every event; answers kind 18 with a fixed answer.
class EventRecorder {
public:
    explicit EventRecorder(int targetExistsAnswer = download::kGiveUp)
        : m_answer(targetExistsAnswer) {}

    download::DownloadReceiver receiver();
    std::vector<RecordedEvent> events() const;
    std::vector<RecordedEvent> ofKind(int kind) const;
    int count(int kind) const;
    // Waits for kind 4; false when it does not come within the limit.
    bool waitForFinish(std::chrono::seconds limit = std::chrono::seconds(60));
    // Waits for the first event of a kind; false when it does not come within the limit.
    bool waitForKind(int kind, std::chrono::seconds limit = std::chrono::seconds(60));
    // Waits until count events of a kind have arrived.
    bool waitForCount(int kind, int count, std::chrono::seconds limit = std::chrono::seconds(60));

private:
    int m_answer;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<RecordedEvent> m_events;
};

struct DownloadRun {
    std::vector<RecordedEvent> events;
    download::DownloadOutcome outcome;
    std::vector<std::string> log; // UTF-8
    bool started = false;
    bool finished = false;

    std::vector<RecordedEvent> ofKind(int kind) const;
};

struct RunOptions {
    int connections = 3;
    int receiveBuffer = 20480;
    int receiveTimeoutMs = 10000;
    int targetExistsAnswer = download::kGiveUp;
    int retryCount = 0;
    transport::RateFloor rateFloor = transport::kDefaultRateFloor;
    EventRecorder* recorder = nullptr;  // records there instead of a recorder of its own
    download::PublishStep publish = {}; // handed to the settings unchanged
};

// The settings record of a test download of url into target (UTF-8 path), the program's own
// time limits; the receiver is left for the caller.
download::DownloadSettings testSettings(const std::string& url, const std::filesystem::path& target,
                                        const RunOptions& options = {});

// Downloads url into target (UTF-8 path) and waits for the task's end.
DownloadRun runDownload(const std::string& url, const std::filesystem::path& target,
                        const RunOptions& options = {});

std::string testBytes(std::size_t size, unsigned seed = 1);
std::string readFile(const std::filesystem::path& path);
std::string sha256Hex(const std::string& bytes);
std::vector<int> kindsOf(const std::vector<RecordedEvent>& events);
bool logContains(const DownloadRun& run, const std::string& utf8Text);
// "kind/connection/value/second ..." of every event but blocks, and the log: for failure messages.
std::string describe(const DownloadRun& run);

} // namespace tb::test
