#pragma once
// The batch command `DownloadTickedSongs`: every ticked row of the result list, after the
// user has confirmed the total size against the free space, is resolved to its audio address
// and handed either to the internal download worker (one song at a time) or to a helper
// process of its own (all at once, when the plug-in switch is ticked). Runs on the
// user-interface thread and keeps the window alive at every step.

#include "batch/download_controls.h"
#include "batch/row_downloader.h"
#include "catalogue/result_list.h"
#include "catalogue/song_detail.h"
#include "tags/song_extras.h"

#include <random>
#include <string>

namespace tb::batch {

// What one run works on; everything outlives the command.
struct BatchParts {
    ResultList& list;
    DownloadControls& controls;
    RowDownloader& downloader;
};

// Longest wait between two looks at the busy flag or at the last download.
inline constexpr int kBatchPollMs = 20;

class BatchDownload {
public:
    explicit BatchDownload(BatchParts parts) : m_parts(parts) {}

    // The click handler of `按钮_下载`. In internal mode it returns once the last download it
    // started has ended, and only then says that it is done. When the program ends meanwhile
    // it stops at its next step, without a word.
    void DownloadTickedSongs();

private:
    struct Run; // the state of one run of the command

    std::string prepareSaveFolder();
    double tickedTotalBytes(int rowCount);
    bool confirmed(const std::string& saveFolder, double totalBytes);
    void downloadRow(int row, Run& run);
    std::string markedIfUsed(std::string name, std::string& usedNames);
    tags::SongExtras songExtras(const SongDetail& detail, const std::string& rowName) const;
    void handToPlugin(int row, const std::string& fileName, const std::string& address,
                      const tags::SongExtras& extras);
    void handToWorker(int row, const std::string& fileName, const std::string& playUrl,
                      const tags::SongExtras& extras, Run& run);
    bool waitWhileBusy();
    void waitForLastDownload();
    // The program is ending (its requests are abandoned): a running batch gives up at its
    // next step, so that it never works on a window that is going away.
    static bool ending();

    BatchParts m_parts;
    std::mt19937 m_random;
};

} // namespace tb::batch
