#pragma once
// The lyrics file beside a song: the same folder and name with ".lrc", holding the lyrics as
// the play information gives them, in UTF-8 with a byte-order mark and CR LF line ends.

#include <optional>
#include <string>
#include <string_view>

namespace tb::tags {

// "dir/name.lrc" for "dir/name.mp3" (the last extension of the file name replaced; ".lrc"
// added to a name without one). Local text.
std::string LyricsFilePath(std::string_view songPath);

// The bytes of the lyrics file for LRC text in local text: a byte-order mark, then each line
// of the text (blank lines at the start and end left out) ended by CR LF. Empty when the text
// has no timed line (lrc_lyrics.h): such a file would time nothing.
std::optional<std::string> LyricsFileBytes(std::string_view lyrics);

enum class LyricsFileResult {
    Written,      // the file is in place
    AlreadyThere, // a file of that name already held exactly these bytes
    OtherKept,    // a file of that name holds something else: it is left as it is
    NoTimedLines, // nothing to write (LyricsFileBytes is empty)
    Failed        // nothing was written
};

// Writes the lyrics file of the song at songPath (local text) through a temporary file that
// is flushed and then given the name, so the name shows the whole file or none. An existing
// file of that name is never replaced: the user's own lyrics (edited, or from elsewhere) win
// over ours, and a second download of the same song finds its own file there.
LyricsFileResult WriteLyricsFile(std::string_view songPath, std::string_view lyrics);

} // namespace tb::tags
