#include "download_test_support.h"

#include "data/local_text.h"
#include "support/test_files.h"

#include <algorithm>
#include <fstream>
#include <openssl/evp.h>
#include <random>
#include <sstream>

namespace tb::test {

download::DownloadReceiver EventRecorder::receiver() {
    return [this](int kind, int connection, std::int64_t value, std::int64_t second, std::string&) {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back({kind, connection, value, second, std::this_thread::get_id()});
        }
        m_changed.notify_all();
        return kind == download::kEventTargetExists ? m_answer : 0;
    };
}

std::vector<RecordedEvent> EventRecorder::events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<RecordedEvent> EventRecorder::ofKind(int kind) const {
    std::vector<RecordedEvent> found;
    for (const auto& event : events()) {
        if (event.kind == kind) {
            found.push_back(event);
        }
    }
    return found;
}

int EventRecorder::count(int kind) const {
    return static_cast<int>(ofKind(kind).size());
}

bool EventRecorder::waitForFinish(std::chrono::seconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] {
        return !m_events.empty() && m_events.back().kind == download::kEventFinished;
    });
}

std::vector<RecordedEvent> DownloadRun::ofKind(int kind) const {
    std::vector<RecordedEvent> found;
    std::copy_if(events.begin(), events.end(), std::back_inserter(found),
                 [kind](const RecordedEvent& event) { return event.kind == kind; });
    return found;
}

bool EventRecorder::waitForKind(int kind, std::chrono::seconds limit) {
    return waitForCount(kind, 1, limit);
}

bool EventRecorder::waitForCount(int kind, int count, std::chrono::seconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this, kind, count] {
        return std::count_if(m_events.begin(), m_events.end(),
                             [kind](const RecordedEvent& e) { return e.kind == kind; }) >= count;
    });
}

download::DownloadSettings testSettings(const std::string& url, const std::filesystem::path& target,
                                        const RunOptions& options) {
    download::DownloadSettings settings;
    settings.address = Utf8ToLocal(url);
    settings.file = Utf8ToLocal(target.string());
    settings.connections = options.connections;
    settings.connectTimeoutMs = 5000;
    settings.receiveTimeoutMs = options.receiveTimeoutMs;
    settings.stopGraceMs = 1000;
    settings.publish = options.publish;
    return settings;
}

DownloadRun runDownload(const std::string& url, const std::filesystem::path& target,
                        const RunOptions& options) {
    DownloadRun run;
    EventRecorder ownRecorder(options.targetExistsAnswer);
    EventRecorder& recorder = options.recorder != nullptr ? *options.recorder : ownRecorder;
    std::mutex logMutex;
    download::DownloadEngine engine;
    engine.initialise(options.receiveBuffer, 0, options.retryCount);
    engine.setRateFloor(options.rateFloor);
    engine.setLogReceiver([&](const std::string& text) {
        std::lock_guard lock(logMutex);
        run.log.push_back(LocalToUtf8(text));
    });
    download::DownloadSettings settings = testSettings(url, target, options);
    settings.receiver = recorder.receiver();
    run.started = engine.start(settings);
    if (run.started) {
        run.finished = recorder.waitForFinish();
        if (!run.finished) {
            engine.stop();
        }
        engine.waitUntilIdle();
    }
    run.events = recorder.events();
    run.outcome = engine.lastOutcome();
    return run;
}

std::string testBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

std::string readFile(const std::filesystem::path& path) {
    return ReadFileBytes(path);
}

std::string sha256Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static const char* kHex = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::vector<int> kindsOf(const std::vector<RecordedEvent>& events) {
    std::vector<int> kinds;
    for (const auto& event : events) {
        kinds.push_back(event.kind);
    }
    return kinds;
}

bool logContains(const DownloadRun& run, const std::string& utf8Text) {
    for (const auto& line : run.log) {
        if (line.find(utf8Text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string describe(const DownloadRun& run) {
    std::string text;
    for (const auto& event : run.events) {
        if (event.kind != download::kEventBlock) {
            text += std::to_string(event.kind) + "/" + std::to_string(event.connection) + "/" +
                    std::to_string(event.value) + "/" + std::to_string(event.second) + " ";
        }
    }
    for (const auto& line : run.log) {
        text += "\n" + line;
    }
    return text;
}

} // namespace tb::test
