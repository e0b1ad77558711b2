#pragma once
// The internal download path as the batch command uses it: hand one song to the download
// worker, and see whether a download is still busy.

#include "download/download_settings.h"

#include <string>

namespace tb::download {
class DownloadEngine;
class DownloadWorker;
} // namespace tb::download

namespace tb::batch {

class RowDownloader {
public:
    virtual ~RowDownloader() = default;
    // Starts the song at playUrl into targetPath (local texts), reporting into row; publish
    // puts the complete song in place (empty: the engine's plain rename).
    virtual void StartRowDownload(const std::string& playUrl, const std::string& targetPath,
                                  int row, download::PublishStep publish) = 0;
    // The shared busy flag: true from a task's first report until it ends or fails.
    virtual bool busy() const = 0;
    // True while a started download has not ended yet (its final report not delivered).
    virtual bool downloading() const = 0;
};

// The worker of the program (or of the companion) and the engine it drives.
class WorkerRowDownloader : public RowDownloader {
public:
    WorkerRowDownloader(download::DownloadWorker& worker, download::DownloadEngine& engine)
        : m_worker(worker), m_engine(engine) {}
    void StartRowDownload(const std::string& playUrl, const std::string& targetPath, int row,
                          download::PublishStep publish) override;
    bool busy() const override;
    bool downloading() const override;

private:
    download::DownloadWorker& m_worker;
    download::DownloadEngine& m_engine;
};

} // namespace tb::batch
