#include "download/download_engine.h"

#include "download/download_task.h"

#include "transport/curl_setup.h"

#include <algorithm>

namespace tb::download {

// Before any connection thread exists; a no-op when the program's main has done it.
DownloadEngine::DownloadEngine() {
    transport::InitialiseCurl();
}

DownloadEngine::~DownloadEngine() {
    stop();
}

void DownloadEngine::initialise(int receiveBuffer, int retryWaitMs, int retryCount) {
    std::lock_guard lock(m_mutex);
    m_settings.receiveBuffer = receiveBuffer > 0 ? receiveBuffer : EngineSettings().receiveBuffer;
    m_settings.retryWaitMs = std::max(retryWaitMs, 0);
    m_settings.retryCount = std::max(retryCount, 0);
}

void DownloadEngine::setRateFloor(const transport::RateFloor& floor) {
    std::lock_guard lock(m_mutex);
    m_settings.rateFloor = floor;
}

void DownloadEngine::setLogReceiver(DownloadLogReceiver receiver) {
    std::lock_guard lock(m_mutex);
    m_log = std::move(receiver);
}

bool DownloadEngine::start(const DownloadSettings& settings) {
    std::shared_ptr<DownloadTask> previous;
    EngineSettings engineSettings;
    DownloadLogReceiver log;
    {
        std::lock_guard lock(m_mutex);
        if (m_task && !m_task->ended()) {
            return false;
        }
        previous = std::move(m_task);
        engineSettings = m_settings;
        log = m_log;
    }
    previous.reset(); // joins the ended task's control thread outside the lock
    auto task = std::make_shared<DownloadTask>(engineSettings, settings, std::move(log));
    std::lock_guard lock(m_mutex);
    if (m_task && !m_task->ended()) {
        return false;
    }
    if (!task->start()) {
        return false; // no thread could be made; the engine stays idle
    }
    m_task = std::move(task);
    return true;
}

bool DownloadEngine::running() const {
    const auto task = currentTask();
    return task && !task->ended();
}

std::int64_t DownloadEngine::bytesWritten() const {
    const auto task = currentTask();
    return task && !task->ended() ? task->bytesWritten() : 0;
}

std::int64_t DownloadEngine::bytesReceivedSinceLastCall() {
    const auto task = currentTask();
    return task ? task->takeReceivedSinceLastQuery() : 0;
}

void DownloadEngine::stop() {
    const auto task = currentTask();
    if (!task) {
        return;
    }
    task->requestStop();
    task->waitUntilEnded();
}

void DownloadEngine::waitUntilIdle() {
    if (const auto task = currentTask()) {
        task->waitUntilEnded();
    }
}

DownloadOutcome DownloadEngine::lastOutcome() const {
    const auto task = currentTask();
    return task ? task->outcome() : DownloadOutcome();
}

std::shared_ptr<DownloadTask> DownloadEngine::currentTask() const {
    std::lock_guard lock(m_mutex);
    return m_task;
}

} // namespace tb::download
