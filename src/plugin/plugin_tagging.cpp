#include "plugin/plugin_tagging.h"

#include "platform/file_system.h"
#include "tags/audio_digest.h"
#include "tags/lyrics_file.h"
#include "tags/tagged_song.h"

namespace tb::plugin {

bool FileHoldsAudio(const std::string& path, const std::string& audioDigest) {
    const std::optional<std::string> digest = tags::FileAudioDigest(path);
    return digest && *digest == audioDigest;
}

platform::MoveResult PublishReceivedSong(const std::string& temporary, const std::string& name,
                                         const tags::SongExtras& extras) {
    if (extras.writeTags) {
        switch (tags::WriteTaggedSong(temporary, name, tags::FetchSongTag(extras))) {
        case tags::PublishResult::Published:
            platform::DeleteFile(temporary);
            return platform::MoveResult::Moved;
        case tags::PublishResult::TargetExists:
            return platform::MoveResult::TargetExists;
        case tags::PublishResult::Failed:
            break; // the song itself is still saved, as it was received
        }
    }
    return platform::MoveFileNoReplace(temporary, name);
}

void WriteLyricsFileIfWanted(const std::string& savedPath, const tags::SongExtras& extras) {
    if (extras.saveLyricsFile) {
        tags::WriteLyricsFile(savedPath, extras.lyrics);
    }
}

} // namespace tb::plugin
