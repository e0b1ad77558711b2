#pragma once
// The batch command `DownloadTickedSongs`: every ticked row of the result list, after the
// user has confirmed the total size against the free space, is resolved to its audio address
// and handed either to the internal download worker (one song at a time) or to a helper
// process of its own (when the plug-in switch is ticked; a bounded number of them at once).
// Runs on the user-interface thread and keeps the window alive at every step.

#include "batch/download_controls.h"
#include "batch/helper_pool.h"
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
    // maxHelpers: how many helper processes of this command may run at once.
    explicit BatchDownload(BatchParts parts, int maxHelpers = kMaxHelpers)
        : m_parts(parts), m_helpers(maxHelpers) {}

    // The click handler of `按钮_下载`. In internal mode it returns once the last download it
    // started has ended, and only then says that it is done. When the program ends meanwhile
    // it stops at its next step, without a word.
    void DownloadTickedSongs();

    // Helpers outlive the command. Each one that has ended since the last look is reaped;
    // one that ended without its own record gets the error record in its song's folder, and
    // its row (while it still shows that song) the status "出错任务". The window calls this
    // now and then; a running command does so while it waits.
    void reapHelpers();
    // Helpers of this command still running (launches under way included).
    int helpersAlive() const { return m_helpers.alive(); }
    // Waits, processing events, until every helper has ended and been reaped.
    void waitForHelpers();

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
    bool waitForHelperRoom();
    void recordLostSong(const HelperJob& job);
    void handToWorker(int row, const std::string& fileName, const std::string& playUrl,
                      const tags::SongExtras& extras, Run& run);
    bool waitWhileBusy();
    void waitForLastDownload();
    // The program is ending (its requests are abandoned): a running batch gives up at its
    // next step, so that it never works on a window that is going away.
    static bool ending();

    BatchParts m_parts;
    HelperPool m_helpers;
    std::mt19937 m_random;
};

} // namespace tb::batch
