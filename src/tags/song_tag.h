#pragma once
// What a song's tag says, as a plain value. Its text is UTF-8, the form it leaves the program
// in (tag frames and lyrics files carry UTF-8); MakeSongTag converts the catalogue's local
// text once. An empty text, an empty list or no cover means the piece is left out.

#include "tags/lrc_lyrics.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::tags {

struct CoverImage {
    std::string mimeType; // "image/jpeg", "image/png", "image/gif" or "image/webp"
    std::string bytes;
};

struct SongTag {
    std::string title;
    std::string artist;
    std::string album;
    std::optional<CoverImage> cover;
    std::vector<std::string> plainLyrics;
    std::vector<TimedLine> timedLyrics;
};

// What the play information gives for a song, in local text (the cover as the fetched bytes).
struct TagFacts {
    std::string songName;
    std::string authorName;
    std::string albumName;
    std::string lyrics; // LRC text
    std::string coverBytes;
};

// The tag of a song from its play information and its row name ("artist - title", as the
// catalogue names its songs). Title and artist come from the song and author names where the
// play information has them; what is missing comes from the row name split at its first
// " - " (the artist before, the title after; a name without " - " is all title). A song name
// that repeats the artist in front, "artist - title", keeps only the title. The album only
// from the play information; the cover only when its bytes are an image of a known kind;
// the lyrics from the LRC text (lrc_lyrics.h). Nothing else is filled in.
SongTag MakeSongTag(const TagFacts& facts, std::string_view rowName);

// The kind of image the bytes hold, judged by their signature: JPEG, PNG, GIF or WebP; ""
// for anything else.
std::string CoverMimeType(std::string_view bytes);

} // namespace tb::tags
