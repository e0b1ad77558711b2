#include "batch/song_publish_step.h"

#include "platform/file_publish.h"
#include "tags/lyrics_file.h"
#include "tags/tagged_song.h"

namespace tb::batch {
namespace {

bool putSongInPlace(const tags::SongExtras& extras, const std::string& partialFile,
                    const std::string& target) {
    if (extras.writeTags) {
        return tags::WriteTaggedSong(partialFile, target, tags::FetchSongTag(extras)) ==
               tags::PublishResult::Published;
    }
    return platform::MoveFileNoReplace(partialFile, target) == platform::MoveResult::Moved;
}

} // namespace

download::PublishStep SongPublishStep(tags::SongExtras extras) {
    if (!extras.any()) {
        return {};
    }
    return [extras = std::move(extras)](const std::string& partialFile, const std::string& target) {
        if (!putSongInPlace(extras, partialFile, target)) {
            return false;
        }
        if (extras.saveLyricsFile) {
            tags::WriteLyricsFile(target, extras.lyrics);
        }
        return true;
    };
}

} // namespace tb::batch
