#pragma once
// The helper's side of the song's extras: the identity of a song by its audio alone (so that
// a song saved with its tag still counts as the same song), putting the received song under
// its name with the tag in front, and the lyrics file beside it.

#include "platform/file_publish.h"
#include "tags/song_extras.h"

#include <string>

namespace tb::plugin {

// True when the file at path holds the audio of this digest (tags/audio_digest.h), with or
// without a tag in front of it.
bool FileHoldsAudio(const std::string& path, const std::string& audioDigest);

// Gives the received song in temporary the name `name` without replacing anything there:
// with the tags switched on, as a new file with the tag in front (its cover fetched now, so a
// song found already there costs no fetch; temporary is then removed); when that cannot be
// written, or without tags, the file itself is moved.
platform::MoveResult PublishReceivedSong(const std::string& temporary, const std::string& name,
                                         const tags::SongExtras& extras);

// After the song was saved under savedPath: its lyrics file, when switched on.
void WriteLyricsFileIfWanted(const std::string& savedPath, const tags::SongExtras& extras);

} // namespace tb::plugin
