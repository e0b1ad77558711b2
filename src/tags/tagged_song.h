#pragma once
// Writing a song with its tag: an ID3v2.4 tag rendered by TagLib in front of the audio of a
// source file, as a new file that appears under the target's name only when it is whole.

#include "tags/file_beside.h"
#include "tags/song_tag.h"

#include <string_view>

namespace tb::tags {

// Puts the source's song under target (paths in local text) with the tag in front: TIT2,
// TPE1 and TALB as UTF-8 text, APIC the front cover, USLT the plain lyrics and SYLT the
// timed lines in milliseconds (both language "und"), for each piece the tag has. A tag the
// source starts with is merged: its other frames stay (text frames made UTF-8), the ones the tag
// has replace theirs (a cover replaces only its front cover); one larger than 16 MB is left out.
// The audio after it is copied byte for byte, in pieces. The source is only read; target is never
// replaced (TargetExists), and on any failure nothing is left under its name.
PublishResult WriteTaggedSong(std::string_view source, std::string_view target, const SongTag& tag);

} // namespace tb::tags
