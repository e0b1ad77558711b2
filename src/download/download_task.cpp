#include "download/download_task.h"

#include "data/local_text.h"
#include "download/connection.h"
#include "platform/thread_name.h"

#include <algorithm>
#include <utility>

namespace tb::download {
namespace {

using Clock = std::chrono::steady_clock;

// Longest delay before queued block reports reach the receiver.
constexpr std::chrono::milliseconds kBlockPickUp(20);
// How often the journal is brought up to date: a kill loses about this much work (plus what
// the connections still hold in their write batches). Each update flushes the data first,
// which costs little at this rate and starts the disk writing early.
constexpr std::chrono::milliseconds kJournalInterval(250);

// The task whose control or connection thread this is; read only by the thread itself, so
// it is known before start() has even returned.
thread_local const DownloadTask* t_ownTask = nullptr;

ConnectionConfig connectionConfig(const EngineSettings& engine, const DownloadSettings& settings) {
    ConnectionConfig config;
    config.referrer = settings.referrer;
    config.userAgent = settings.userAgent;
    config.connectTimeoutMs = settings.connectTimeoutMs;
    config.receiveTimeoutMs = settings.receiveTimeoutMs;
    config.receiveBuffer = engine.receiveBuffer;
    config.retryWaitMs = engine.retryWaitMs;
    config.retryCount = engine.retryCount;
    config.rateFloor = engine.rateFloor;
    return config;
}

} // namespace

DownloadTask::DownloadTask(EngineSettings engine, DownloadSettings settings,
                           DownloadLogReceiver log)
    : m_engine(engine), m_settings(std::move(settings)), m_log(std::move(log)),
      m_connectionConfig(connectionConfig(m_engine, m_settings)), m_ledger(m_settings.connections),
      m_target(LocalToUtf8(m_settings.file)), m_sourceUrl(LocalToUtf8(m_settings.address)) {}

DownloadTask::~DownloadTask() {
    requestStop();
    if (m_control.joinable()) {
        m_control.join();
    }
}

bool DownloadTask::start() {
    try {
        m_control = std::thread([this] { controlLoop(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DownloadTask::requestStop() {
    m_stop.raise();
}

void DownloadTask::waitUntilEnded() {
    if (!onOwnThread()) {
        m_ended.wait(false);
    }
}

bool DownloadTask::onOwnThread() const {
    return t_ownTask == this;
}

DownloadOutcome DownloadTask::outcome() const {
    std::lock_guard lock(m_stateMutex);
    return m_outcome;
}

bool DownloadTask::waitForStop(int milliseconds) {
    return m_stop.waitFor(std::chrono::milliseconds(milliseconds));
}

void DownloadTask::report(int kind, int connection, std::int64_t value, std::int64_t second) {
    m_events.push({kind, connection, value, second});
}

void DownloadTask::log(std::string_view utf8, bool isFailure) {
    if (isFailure) {
        std::lock_guard lock(m_stateMutex);
        if (m_failure.empty()) {
            m_failure = std::string(utf8);
        }
    }
    if (m_log) {
        m_log(Utf8ToLocal(utf8));
    }
}

std::string DownloadTask::sourceUrl() const {
    std::lock_guard lock(m_stateMutex);
    return m_sourceUrl;
}

void DownloadTask::setSourceUrl(const std::string& url) {
    std::lock_guard lock(m_stateMutex);
    m_sourceUrl = url;
}

void DownloadTask::connectionEnded(int connection, std::optional<int> index, bool ok,
                                   std::int64_t offsetReached) {
    if (index) {
        m_ledger.release(*index);
    }
    m_events.connectionEnded(
        {ok ? kEventConnectionEnded : kEventConnectionFailed, connection, offsetReached, 0});
}

void DownloadTask::controlLoop() {
    t_ownTask = this;
    platform::setCurrentThreadName("tb-download");
    launchConnection(std::nullopt);
    for (;;) {
        TaskEvent event;
        const EventQueue::Next next = m_events.next(event, Clock::now() + kBlockPickUp);
        if (next == EventQueue::Next::Drained) {
            break;
        }
        if (next == EventQueue::Next::Event) {
            if (event.kind == kStartConnection) {
                startFurtherConnection();
            } else {
                deliver(event);
            }
        }
        keepJournalCurrent();
        watchStopGrace();
    }
    finish();
}

void DownloadTask::deliver(const TaskEvent& event) {
    if (m_settings.receiver) {
        std::string target = m_settings.file;
        m_settings.receiver(event.kind, event.connection, event.value, event.second, target);
    }
}

void DownloadTask::launchConnection(std::optional<int> index) {
    const int number = m_nextConnection++;
    m_events.connectionStarting();
    ConnectionHost& host = *this;
    auto connection = std::make_unique<Connection>(host, m_connectionConfig, number, index);
    if (!connection->start([this] { t_ownTask = this; })) {
        log("无法启动连接线程", true);
        connectionEnded(number, index, false, index ? m_ledger.segment(*index).offset() : 0);
    }
    m_connections.push_back(std::move(connection));
}

// Starts one more connection on the first free segment, or on half of the largest
// remainder when none is free; nothing when the remainder is too small to share.
void DownloadTask::startFurtherConnection() {
    if (stopping() || !m_severalConnections || m_ledger.rangesRefused() || m_writeFailed) {
        return;
    }
    const int owner = m_nextConnection;
    auto index = m_ledger.takeFree(owner);
    if (!index) {
        index = m_ledger.splitLargest(m_engine.receiveBuffer, owner);
    }
    if (index) {
        launchConnection(index);
    }
}

// Brings the journal up to date every kJournalInterval: what it records is flushed first, so
// that a kill or a power cut loses well under a second of work.
void DownloadTask::keepJournalCurrent() {
    const auto now = Clock::now();
    if (!m_fileOpen || now < m_nextJournal) {
        return;
    }
    m_nextJournal = now + kJournalInterval;
    std::vector<ByteRange> ranges = m_ledger.rangesOnDisk();
    if (ranges != m_journaled && m_target.record(ranges) == 0) {
        m_journaled = std::move(ranges);
    }
}

// Once the task is stopping its connections get the stop grace time. They end within it
// (they check the stop between waits); one that does not is logged and still waited for,
// since it may be writing into the file.
void DownloadTask::watchStopGrace() {
    if (!stopping() || m_graceLogged) {
        return;
    }
    const auto now = Clock::now();
    if (!m_graceEnd) {
        m_graceEnd = now + std::chrono::milliseconds(std::max(m_settings.stopGraceMs, 0));
    } else if (now > *m_graceEnd) {
        m_graceLogged = true;
        log("连接未在停止时限内结束", false);
    }
}

void DownloadTask::finish() {
    for (auto& connection : m_connections) {
        connection->join();
    }
    const bool complete = settleFile();
    const std::int64_t written = m_ledger.bytesWritten();
    const auto total = m_ledger.total();
    std::int64_t reported = 0;
    {
        std::lock_guard lock(m_stateMutex);
        m_outcome.complete = complete;
        m_outcome.stopped = stopping() && !complete;
        m_outcome.bytes = written;
        m_outcome.resumedBytes = m_ledger.resumedBytes();
        m_outcome.reason = complete ? std::string() : m_failure;
        m_outcome.publishStepFailed = complete && m_publishStepFailed;
        if (!complete && m_outcome.reason.empty()) {
            m_outcome.reason = m_outcome.stopped ? "任务已停止" : "下载未完成";
        }
        reported = m_outcome.stopped || !total ? written : *total;
    }
    std::string target = m_settings.file;
    if (m_settings.receiver) {
        m_settings.receiver(kEventFinished, -1, reported, 0, target);
    }
    m_ended = true;
    m_ended.notify_all();
}

// Puts a complete download under the target name (publishSong); keeps an incomplete one for a later
// try (or removes it when it cannot be continued). Returns whether the song is complete.
bool DownloadTask::settleFile() {
    if (!m_fileOpen) {
        m_target.close(); // an earlier try's file, if one was taken, stays as it was
        return false;
    }
    if (!m_writeFailed && m_ledger.complete()) {
        const int error = publishSong();
        if (error == 0) {
            return true;
        }
        log(error == EEXIST ? "目标文件已存在" : "写入文件错误", true);
    }
    m_target.keep(m_ledger.rangesOnDisk());
    return false;
}

// Puts the complete song under the target name: through the settings' publish step when
// there is one, falling back to the plain rename when the step fails, so that the song is
// never lost to the step. 0 or an errno of the rename.
int DownloadTask::publishSong() {
    if (m_settings.publish && m_target.flush() == 0) {
        if (m_settings.publish(Utf8ToLocal(m_target.partialPath()),
                               Utf8ToLocal(m_target.target()))) {
            m_target.handedOver();
            return 0;
        }
        m_publishStepFailed = true;
        log("歌曲未能按设定保存，已按收到的原样保存", false);
    }
    return m_target.complete();
}

} // namespace tb::download
