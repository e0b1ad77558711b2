#include "batch/row_downloader.h"

#include "download/download_engine.h"
#include "download/download_worker.h"

namespace tb::batch {

void WorkerRowDownloader::StartRowDownload(const std::string& playUrl,
                                           const std::string& targetPath, int row,
                                           download::PublishStep publish) {
    m_worker.StartRowDownload(playUrl, targetPath, row, std::move(publish));
}

bool WorkerRowDownloader::busy() const {
    return DownloadBusy.load();
}

bool WorkerRowDownloader::downloading() const {
    return m_engine.running();
}

} // namespace tb::batch
