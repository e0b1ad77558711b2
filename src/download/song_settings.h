#pragma once
// The settings record every listed song is downloaded with, kept in one place so the
// window's worker and the command-line companion start the engine alike.

#include "download/download_settings.h"

#include <string>

namespace tb::download {

// Three connections, 5000 / 5001 / 10000 ms connect, send and receive time-outs, a stop
// grace of 1000 ms and the tuning values 4096 and 20480; address, file and receiver as given
// (local text).
DownloadSettings SongDownloadSettings(std::string playUrl, std::string targetPath,
                                      DownloadReceiver receiver);

} // namespace tb::download
