#include "download/song_settings.h"

namespace tb::download {

DownloadSettings SongDownloadSettings(std::string playUrl, std::string targetPath,
                                      DownloadReceiver receiver) {
    DownloadSettings settings;
    settings.bufferSize = 4096;
    settings.address = std::move(playUrl);
    settings.file = std::move(targetPath);
    settings.connections = 3;
    settings.connectTimeoutMs = 5000;
    settings.sendTimeoutMs = 5001;
    settings.receiveTimeoutMs = 10000;
    settings.stopGraceMs = 1000;
    settings.secondBufferSize = 20480;
    settings.receiver = std::move(receiver);
    return settings;
}

} // namespace tb::download
