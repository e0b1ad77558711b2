#include "download/download_worker.h"

#include "download/song_settings.h"
#include "platform/events.h"

namespace tb {

std::atomic<bool> DownloadBusy{false};

namespace download {
namespace {

constexpr int kStartPauseMs = 100;
constexpr int kIdlePollMs = 20;

} // namespace

std::string ProgressText(std::int64_t bytesWritten, std::int64_t totalSize,
                         std::int64_t bytesSincePrevious) {
    return tb::ProgressText(DownloadProgress{bytesWritten, totalSize, bytesSincePrevious});
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
        postStatus(row, RowStatus::Initialising);
        postToList([row](ResultList& list) { list.ensureVisible(row); });
        return 0;
    case kEventFurtherSegment:
        postStatus(row, RowStatus::Downloading);
        return 0;
    case kEventConnectionEnded:
        postProgress(row, DownloadProgress{m_engine.bytesWritten(), m_totalSize.load(),
                                           m_engine.bytesReceivedSinceLastCall()});
        return 0;
    case kEventFinished:
        postFinished(row);
        DownloadBusy = false;
        return 0;
    case kEventConnectionFailed:
        m_statusKept = true;
        if (!m_targetExisted) {
            postStatus(row, RowStatus::FailedTask);
        }
        DownloadBusy = false;
        return 1;
    case kEventTargetExists:
        m_statusKept = true;
        m_targetExisted = true;
        postStatus(row, RowStatus::ExistsLocally);
        postToList([row](ResultList& list) { list.setTicked(row, false); });
        DownloadBusy = false;
        return kGiveUp;
    default:
        return 0;
    }
}

void DownloadWorker::postStatus(int row, RowStatus status) {
    postToList([row, status](ResultList& list) { list.setRowStatus(row, status); });
}

void DownloadWorker::postProgress(int row, DownloadProgress progress) {
    postToList([row, progress](ResultList& list) { list.setProgress(row, progress); });
}

void DownloadWorker::postFinished(int row) {
    // A failed connection whose part another connection finished did not fail the task.
    const bool keepStatus = m_statusKept.load() && !m_engine.lastOutcome().complete;
    postToList([row, keepStatus](ResultList& list) {
        list.setTicked(row, false);
        if (!keepStatus) {
            list.setRowStatus(row, RowStatus::Complete);
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
