#pragma once
// The one download of the helper program: stream the song at a play address into a
// temporary file beside the target (its digest taken as the bytes arrive, so the song is
// never held in memory), give it the target's name without ever destroying a file of other
// bytes, and append a record to the log of the target's folder. No Qt, so it runs in tests
// without a window.

#include "plugin/plugin_records.h"
#include "tags/song_extras.h"
#include "transport/transfer_watch.h"

#include <string>
#include <string_view>

namespace tb::plugin {

enum class JobOutcome {
    Saved,        // the song is now in savedPath (an OK record was appended)
    AlreadyThere, // a file with exactly these bytes was found; nothing written, no record
    Failed        // the reply was not the song, or it could not be written (error record)
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Failed;
    std::string savedPath; // local text; the path the record names
};

// Runs the job for a target path and a play address (local text). A reply counts only when
// its status is 2xx and its body arrived whole and is not empty; an empty one is fetched
// once more. The song appears under its name only when whole, with its tag in front when
// the extras say so, and its lyrics file is written once it is saved; a fetch that is not
// the song leaves nothing behind. A name that holds the same audio (with or without a tag)
// already has the song; a name held by other audio
// is kept: the song gets "[" + characters 6-7 of its MD5 digest + "]" before each "." of
// the file name, and when that name too is held by other bytes, the next free "name(N).ext"
// of it. When no file can be made in the target's folder, the folder chain is created and
// it is tried once more; an error record creates the chain too, so that it is never lost. A reply
// slower than `rateFloor` on average over its window is not whole.
JobResult RunPluginJob(const std::string& targetPath, const std::string& playUrl,
                       const transport::RateFloor& rateFloor = transport::kDefaultRateFloor,
                       const tags::SongExtras& extras = {});

// targetPath with "[" + digest[5..6] + "]." in place of every "." of its file-name part.
std::string DigestMarkedPath(const std::string& targetPath, const std::string& digest);
// "dir/name.ext" -> "dir/name(N).ext"; "dir/name" -> "dir/name(N)".
std::string NumberedPath(const std::string& path, int number);

} // namespace tb::plugin
