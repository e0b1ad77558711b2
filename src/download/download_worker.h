#pragma once
// The download of one listed song: starts the engine's task with the program's settings
// record and turns the task's events into the row's progress and status.

#include "catalogue/result_list.h"
#include "download/download_engine.h"
#include "download/download_settings.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tb {

// True while an internal download task runs; the batch command waits on it between songs.
extern std::atomic<bool> DownloadBusy;

namespace download {

// The progress text of the counts (see tb::ProgressText of row_state.h).
std::string ProgressText(std::int64_t bytesWritten, std::int64_t totalSize,
                         std::int64_t bytesSincePrevious);

class DownloadWorker {
public:
    // The list's cells are written on the user-interface thread (platform::PostToUiThread).
    // The engine must outlive the worker.
    DownloadWorker(DownloadEngine& engine, ResultList& list);
    // On the user-interface thread: stops a task this worker started (its receiver is this
    // object) and drops the list updates still queued for that thread.
    ~DownloadWorker();
    DownloadWorker(const DownloadWorker&) = delete;
    DownloadWorker& operator=(const DownloadWorker&) = delete;

    // Starts the song at playUrl into targetPath (local texts) for the given row. Waits
    // (keeping the window alive) while the engine still ends a previous task, so a song
    // handed over after an early failure report is not refused. publish, when given, puts the
    // complete song in place (download_settings.h).
    void StartRowDownload(const std::string& playUrl, const std::string& targetPath, int row,
                          PublishStep publish = {});

    // Makes row the task's row and forgets the status and size of the previous task (part of
    // StartRowDownload; also lets a caller replay events for a row).
    void beginRow(int row);

    // The task's event receiver; runs on the engine's threads.
    int OnDownloadEvent(int kind, int connection, std::int64_t value, std::int64_t second,
                        std::string& targetFile);

    // The settings record as last written.
    const DownloadSettings& settings() const { return m_settings; }

private:
    void postStatus(int row, RowStatus status);
    void postProgress(int row, DownloadProgress progress);
    void postFinished(int row);
    // Runs call on the user-interface thread unless this worker is gone by then.
    void postToList(std::function<void(ResultList&)> call);

    DownloadEngine& m_engine;
    ResultList& m_list;
    DownloadSettings m_settings;
    bool m_started = false;
    // Queued list updates hold a weak reference: they do nothing once the worker is gone.
    std::shared_ptr<ResultList*> m_listAlive;
    std::atomic<int> m_row{-1};
    std::atomic<std::int64_t> m_totalSize{0};
    // Set by a failure or an existing target; the final report keeps that status.
    std::atomic<bool> m_statusKept{false};
    // An existing target's "本地存在" is not replaced by the failure report that follows.
    std::atomic<bool> m_targetExisted{false};
};

} // namespace download
} // namespace tb
