#pragma once
// What a download adds to a saved song when the user asks for it: the song's tag in front of
// its audio and a lyrics file beside it. Both download paths take it as a plain value; the
// batch fills it once per row from the play information it already resolved.

#include "tags/song_tag.h"

#include <string>

namespace tb::tags {

// Texts in local text, as the catalogue gives them; an empty one is left out of the tag.
struct SongExtras {
    bool writeTags = false;
    bool saveLyricsFile = false;
    std::string rowName;  // "artist - title", for what the play information lacks
    std::string songName; // the play information's song, author and album names
    std::string authorName;
    std::string albumName;
    std::string imageUrl; // the cover's address
    std::string lyrics;   // LRC text
    bool any() const { return writeTags || saveLyricsFile; }
    bool operator==(const SongExtras&) const = default;
};

// The cover's bytes, fetched with one GET: empty when the address is not http or https, the
// reply is not a whole 2xx body or it holds no image of a known kind. Never fails the song.
std::string FetchCoverBytes(const std::string& imageUrl);

// The song's tag, with the cover fetched from its address.
SongTag FetchSongTag(const SongExtras& extras);

} // namespace tb::tags
