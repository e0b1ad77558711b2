#include "download/download_task.h"

#include "data/local_text.h"
#include "download/connection.h"
#include "platform/thread_name.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <utility>

namespace tb::download {
namespace {

// Length of the one segment of a response whose size is not announced.
constexpr std::int64_t kUnknownLength = std::numeric_limits<std::int64_t>::max() / 4;
constexpr int kNumberedNames = 99;
// Longest delay before queued block reports reach the receiver.
constexpr std::chrono::milliseconds kBlockPickUp(20);
// Filled pages are released in steps of this many bytes: often enough to keep the process
// small, seldom enough that the flushes cost little.
constexpr std::int64_t kReleaseStep = 2 * 1024 * 1024;

// The task whose control or connection thread this is; read only by the thread itself, so
// it is known before start() has even returned.
thread_local const DownloadTask* t_ownTask = nullptr;

std::string numberedName(const std::string& target, int number) {
    const auto slash = target.find_last_of('/');
    const auto dot = target.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string suffix = "(" + std::to_string(number) + ")";
    return hasExtension ? target.substr(0, dot) + suffix + target.substr(dot) : target + suffix;
}

} // namespace

DownloadTask::DownloadTask(EngineSettings engine, DownloadSettings settings,
                           DownloadLogReceiver log)
    : m_engine(engine), m_settings(std::move(settings)), m_log(std::move(log)),
      m_table(m_settings.connections), m_sourceUrl(LocalToUtf8(m_settings.address)) {}

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
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopRequested.notify_all();
    std::lock_guard lock(m_queueMutex);
    m_queueChanged.notify_all();
}

void DownloadTask::waitUntilEnded() {
    if (onOwnThread()) {
        return;
    }
    std::unique_lock lock(m_endMutex);
    m_endReached.wait(lock, [this] { return m_ended.load(); });
}

bool DownloadTask::onOwnThread() const {
    return t_ownTask == this;
}

void DownloadTask::adoptCurrentThread() const {
    t_ownTask = this;
}

bool DownloadTask::waitForStop(int milliseconds) {
    std::unique_lock lock(m_stopMutex);
    return m_stopRequested.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return m_stopping.load(); });
}

std::int64_t DownloadTask::bytesWritten() const {
    std::lock_guard lock(m_tableMutex);
    return m_written;
}

std::int64_t DownloadTask::takeReceivedSinceLastQuery() {
    std::lock_guard lock(m_tableMutex);
    return std::exchange(m_receivedSinceQuery, 0);
}

DownloadOutcome DownloadTask::outcome() const {
    std::lock_guard lock(m_tableMutex);
    return m_outcome;
}

void DownloadTask::queueEvent(int kind, int connection, std::int64_t value, std::int64_t second) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_queueMutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back({kind, connection, value, second});
    }
    // The control thread drains the whole queue before it waits again. Block reports are
    // many and urgent to nobody: the control thread collects them at its next look (at
    // most kBlockPickUp later) instead of being woken for each.
    if (wasEmpty && kind != kEventBlock) {
        m_queueChanged.notify_one();
    }
}

void DownloadTask::log(std::string_view utf8, bool isFailure) {
    if (isFailure) {
        std::lock_guard lock(m_tableMutex);
        if (m_failure.empty()) {
            m_failure = std::string(utf8);
        }
    }
    if (m_log) {
        m_log(Utf8ToLocal(utf8));
    }
}

std::string DownloadTask::sourceUrl() const {
    std::lock_guard lock(m_tableMutex);
    return m_sourceUrl;
}

void DownloadTask::setSourceUrl(const std::string& url) {
    std::lock_guard lock(m_tableMutex);
    m_sourceUrl = url;
}

std::optional<std::int64_t> DownloadTask::totalSize() const {
    std::lock_guard lock(m_tableMutex);
    return m_total;
}

Segment DownloadTask::segment(int index) const {
    std::lock_guard lock(m_tableMutex);
    return m_table.at(index);
}

std::optional<int> DownloadTask::openTarget(int connection, std::optional<std::int64_t> totalSize,
                                            bool rangesWork) {
    {
        std::lock_guard lock(m_tableMutex);
        m_total = totalSize;
    }
    if (!createTarget(connection, totalSize)) {
        return std::nullopt;
    }
    const bool several = rangesWork && totalSize && m_settings.connections > 1;
    std::optional<int> first;
    {
        std::lock_guard lock(m_tableMutex);
        m_severalConnections = several;
        m_table.splitInitial(totalSize.value_or(kUnknownLength),
                             several ? m_settings.connections : 1);
        first = m_table.takeFree(connection);
    }
    if (totalSize) {
        queueEvent(kEventTotalSize, connection, *totalSize);
    }
    for (int i = 1; several && i < m_settings.connections; ++i) {
        queueEvent(kStartConnection, connection, 0);
    }
    return first;
}

bool DownloadTask::createTarget(int connection, std::optional<std::int64_t> totalSize) {
    auto target = resolveExistingTarget(connection, m_settings.file, totalSize);
    if (!target) {
        return false;
    }
    const std::string path = LocalToUtf8(*target);
    const auto size = static_cast<std::uint64_t>(totalSize.value_or(0));
    int error = 0;
    {
        std::lock_guard lock(m_tableMutex);
        error = m_file.createNew(path, size, !totalSize);
        m_fileOpen = error == 0;
    }
    if (error != 0) {
        log("创建文件错误，超出最大支持下载长度或磁盘不可写或磁盘没有空间或同名文件已存在", true);
        return false;
    }
    return true;
}

// Asks the receiver about an existing target (kind 18, directly on this connection's
// thread) and returns the name to create, or nothing when the download is given up.
std::optional<std::string>
DownloadTask::resolveExistingTarget(int connection, std::string target,
                                    std::optional<std::int64_t> totalSize) {
    const auto existing = platform::existingFileSize(LocalToUtf8(target));
    if (!existing) {
        return target;
    }
    const int answer = m_settings.receiver
                           ? m_settings.receiver(kEventTargetExists, connection,
                                                 static_cast<std::int64_t>(*existing),
                                                 totalSize.value_or(0), target)
                           : kGiveUp;
    if (answer == kRenamedTarget) {
        return target;
    }
    if (answer == kPickNewName) {
        for (int number = 1; number <= kNumberedNames; ++number) {
            std::string candidate = numberedName(m_settings.file, number);
            if (!platform::existingFileSize(LocalToUtf8(candidate))) {
                return candidate;
            }
        }
    }
    log("目标文件已存在", true);
    return std::nullopt;
}

StoreResult DownloadTask::store(int connection, int index, bool firstStep, bool furtherSegment,
                                const char* data, std::size_t length) {
    StoreResult result;
    std::int64_t offset = 0;
    {
        std::lock_guard lock(m_tableMutex);
        const Segment& claimed = m_table.at(index);
        offset = claimed.offset();
        if (firstStep) {
            queueEvent(furtherSegment ? kEventFurtherSegment : kEventFirstSegment, connection,
                       offset, claimed.end());
        }
        result.accepted = m_table.claim(index, static_cast<std::int64_t>(length));
        result.offsetAfter = offset + result.accepted;
        result.segmentFinished = m_table.at(index).finished();
        m_written += result.accepted;
        m_receivedSinceQuery += result.accepted;
    }
    // The claimed range belongs to this connection alone, so the copy needs no lock; only
    // a file of unknown size (one connection) may move its mapping while growing.
    if (result.accepted > 0 && m_file.writeAt(static_cast<std::uint64_t>(offset), data,
                                              static_cast<std::size_t>(result.accepted)) != 0) {
        result.writeFailed = true;
        std::lock_guard lock(m_tableMutex);
        m_writeFailed = true;
        return result;
    }
    if (result.accepted > 0) {
        // Pages this connection has filled are left to the page cache, so a large file
        // does not stay resident in the process.
        const std::int64_t boundary = result.offsetAfter / kReleaseStep * kReleaseStep;
        if (boundary > offset && boundary >= kReleaseStep) {
            m_file.releasePages(static_cast<std::uint64_t>(boundary - kReleaseStep),
                                static_cast<std::uint64_t>(kReleaseStep));
        }
        queueEvent(kEventBlock, connection, result.accepted);
    }
    return result;
}

std::optional<int> DownloadTask::takeNextSegment(int connection) {
    if (stopping()) {
        return std::nullopt;
    }
    std::lock_guard lock(m_tableMutex);
    return m_table.takeFree(connection);
}

void DownloadTask::settleUnknownLength(int index) {
    std::lock_guard lock(m_tableMutex);
    m_table.settleLength(index);
}

void DownloadTask::connectionEnded(int connection, std::optional<int> index, bool ok,
                                   std::int64_t offsetReached) {
    if (index) {
        std::lock_guard lock(m_tableMutex);
        m_table.release(*index);
    }
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_back(
            {ok ? kEventConnectionEnded : kEventConnectionFailed, connection, offsetReached, 0});
        --m_liveConnections;
    }
    m_queueChanged.notify_one();
}

void DownloadTask::controlLoop() {
    adoptCurrentThread();
    platform::setCurrentThreadName("tb-download");
    launchConnection(std::nullopt);
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        waitForWork(lock);
        if (m_queue.empty()) {
            break;
        }
        const QueuedEvent event = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        if (event.kind == kStartConnection) {
            startFurtherConnection();
        } else {
            deliver(event);
        }
        lock.lock();
    }
    lock.unlock();
    finish();
}

// Waits for an event or for the last connection to end. Once the task is stopping, its
// connections get the stop grace time; they end within it (they check the stop between
// waits), and one that does not is logged and still waited for, since it may be copying
// into the file.
void DownloadTask::waitForWork(std::unique_lock<std::mutex>& lock) {
    const auto ready = [this] { return !m_queue.empty() || m_liveConnections == 0; };
    while (!ready()) {
        if (!m_stopping || m_graceLogged) {
            m_queueChanged.wait_for(lock, kBlockPickUp,
                                    [&] { return ready() || (m_stopping && !m_graceLogged); });
            continue;
        }
        if (!m_graceEnd) {
            m_graceEnd = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(std::max(m_settings.stopGraceMs, 0));
        }
        if (!m_queueChanged.wait_until(lock, *m_graceEnd, ready)) {
            m_graceLogged = true;
            lock.unlock();
            log("连接未在停止时限内结束");
            lock.lock();
        }
    }
}

void DownloadTask::deliver(const QueuedEvent& event) {
    if (m_settings.receiver) {
        std::string target = m_settings.file;
        m_settings.receiver(event.kind, event.connection, event.value, event.second, target);
    }
}

void DownloadTask::launchConnection(std::optional<int> index) {
    const int number = m_nextConnection++;
    {
        std::lock_guard lock(m_queueMutex);
        ++m_liveConnections;
    }
    auto connection = std::make_unique<Connection>(*this, number, index);
    if (!connection->start()) {
        log("无法启动连接线程", true);
        connectionEnded(number, index, false, index ? segment(*index).offset() : 0);
    }
    m_connections.push_back(std::move(connection));
}

// Starts one more connection on the first free segment, or on half of the largest
// remainder when none is free; nothing when the remainder is too small to share.
void DownloadTask::startFurtherConnection() {
    if (stopping()) {
        return;
    }
    std::optional<int> index;
    {
        std::lock_guard lock(m_tableMutex);
        if (!m_severalConnections || m_writeFailed) {
            return;
        }
        index = m_table.takeFree(m_nextConnection);
        if (!index) {
            index = m_table.splitLargest(m_engine.receiveBuffer, m_nextConnection);
        }
    }
    if (index) {
        launchConnection(index);
    }
}

void DownloadTask::finish() {
    for (auto& connection : m_connections) {
        connection->join();
    }
    std::int64_t reported = 0;
    {
        std::lock_guard lock(m_tableMutex);
        const bool complete =
            m_fileOpen && !m_writeFailed && m_table.size() > 0 && m_table.allFinished();
        if (complete) {
            m_file.close(static_cast<std::uint64_t>(m_written));
        } else {
            // A partial file would pass for a song and block every later try.
            m_file.discard();
        }
        m_outcome.complete = complete;
        m_outcome.stopped = m_stopping.load() && !complete;
        m_outcome.bytes = m_written;
        m_outcome.reason = complete ? std::string() : m_failure;
        if (!complete && m_outcome.reason.empty()) {
            m_outcome.reason = m_outcome.stopped ? "任务已停止" : "下载未完成";
        }
        reported = m_outcome.stopped || !m_total ? m_written : *m_total;
    }
    std::string target = m_settings.file;
    if (m_settings.receiver) {
        m_settings.receiver(kEventFinished, -1, reported, 0, target);
    }
    {
        std::lock_guard lock(m_endMutex);
        m_ended = true;
    }
    m_endReached.notify_all();
}

} // namespace tb::download
