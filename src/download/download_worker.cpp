#include "download/download_worker.h"

#include "data/local_text.h"
#include "download/song_settings.h"
#include "platform/events.h"

#include <cmath>
#include <cstdio>

namespace tb {

std::atomic<bool> DownloadBusy{false};

namespace download {
namespace {

constexpr int kStartPauseMs = 100;
constexpr int kIdlePollMs = 20;

std::string localText(const char* utf8) {
    return Utf8ToLocal(utf8);
}

} // namespace

std::string ProgressText(std::int64_t bytesWritten, std::int64_t totalSize,
                         std::int64_t bytesSincePrevious) {
    const double percent =
        totalSize > 0 ? static_cast<double>(bytesWritten) / static_cast<double>(totalSize) * 100
                      : 0.0;
    // Hundredths of a kilobyte: bytes * 100 / 1024 is exact in a double, so the rounding
    // sees the true half.
    const long long hundredths =
        std::llround(static_cast<double>(bytesSincePrevious) * 100.0 / 1024.0);
    char text[64];
    std::snprintf(text, sizeof text, "%lld%% + %lld.%02lldKB", std::llround(percent),
                  hundredths / 100, hundredths % 100);
    return text;
}

DownloadWorker::DownloadWorker(DownloadEngine& engine, ResultList& list)
    : m_engine(engine), m_list(list), m_listAlive(std::make_shared<ResultList*>(&list)) {}

DownloadWorker::~DownloadWorker() {
    if (m_started) {
        m_engine.stop(); // waits for kind 4: no event reaches this object afterwards
    }
    m_listAlive.reset();
}

void DownloadWorker::StartRowDownload(const std::string& playUrl, const std::string& targetPath,
                                      int row, PublishStep publish) {
    m_settings =
        SongDownloadSettings(playUrl, targetPath,
                             [this](int kind, int connection, std::int64_t value,
                                    std::int64_t second, std::string& file) {
                                 return OnDownloadEvent(kind, connection, value, second, file);
                             });
    m_settings.publish = std::move(publish);
    platform::WaitProcessingEvents(kStartPauseMs);
    while (m_engine.running()) {
        platform::WaitProcessingEvents(kIdlePollMs);
    }
    beginRow(row);
    m_started = m_engine.start(m_settings) || m_started;
}

void DownloadWorker::beginRow(int row) {
    m_row = row;
    // A size learned for the previous song would make this song's percentages wrong; until
    // this task reports its size the progress shows 0 %.
    m_totalSize = 0;
    m_statusKept = false;
    m_targetExisted = false;
}

int DownloadWorker::OnDownloadEvent(int kind, int /*connection*/, std::int64_t value,
                                    std::int64_t /*second*/, std::string& /*targetFile*/) {
    const int row = m_row.load();
    switch (kind) {
    case kEventTotalSize:
        DownloadBusy = true;
        m_totalSize = value;
        return 0;
    case kEventConnectionStarted:
        DownloadBusy = true;
        postCell(row, kColStatus, localText("初始化"));
        postToList([row](ResultList& list) { list.ensureVisible(row); });
        return 0;
    case kEventFurtherSegment:
        postCell(row, kColStatus, localText("下载中"));
        return 0;
    case kEventConnectionEnded:
        postCell(row, kColProgress,
                 ProgressText(m_engine.bytesWritten(), m_totalSize.load(),
                              m_engine.bytesReceivedSinceLastCall()));
        return 0;
    case kEventFinished:
        postFinished(row);
        DownloadBusy = false;
        return 0;
    case kEventConnectionFailed:
        m_statusKept = true;
        if (!m_targetExisted) {
            postCell(row, kColStatus, localText("出错任务"));
        }
        DownloadBusy = false;
        return 1;
    case kEventTargetExists:
        m_statusKept = true;
        m_targetExisted = true;
        postCell(row, kColStatus, localText("本地存在"));
        postToList([row](ResultList& list) { list.setTicked(row, false); });
        DownloadBusy = false;
        return kGiveUp;
    default:
        return 0;
    }
}

void DownloadWorker::postCell(int row, int column, std::string text) {
    postToList([row, column, text = std::move(text)](ResultList& list) {
        list.setCell(row, column, text);
    });
}

void DownloadWorker::postFinished(int row) {
    // A failed connection whose part another connection finished did not fail the task.
    const bool keepStatus = m_statusKept.load() && !m_engine.lastOutcome().complete;
    postToList([row, keepStatus](ResultList& list) {
        list.setTicked(row, false);
        if (!keepStatus) {
            list.setCell(row, kColStatus, localText("下载完成"));
        }
    });
}

void DownloadWorker::postToList(std::function<void(ResultList&)> call) {
    platform::PostToUiThread(
        [alive = std::weak_ptr<ResultList*>(m_listAlive), call = std::move(call)] {
            // The worker is destroyed on this thread, so it cannot go between check and use.
            if (const auto list = alive.lock()) {
                call(**list);
            }
        });
}

} // namespace download
} // namespace tb
