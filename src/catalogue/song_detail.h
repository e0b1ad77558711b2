#pragma once
// Resolving a row's play-information address into what the player and the downloads need.

#include <functional>
#include <string>

namespace tb {

// What the play information says of one song, in local text. Every member is empty when the
// reply did not parse; a member the reply lacks is empty too.
struct SongDetail {
    std::string playUrl;    // "data['play_url']", only an http or https address
    std::string imageUrl;   // "data.img"
    std::string lyrics;     // "data.lyrics" (LRC text)
    std::string songName;   // "data.song_name"
    std::string authorName; // "data.author_name"
    std::string albumName;  // "data.album_name"
    bool parsed = false;    // the reply was JSON
};

// Requests the play-information address (unchanged) and reads the reply's members. The
// reply's UTF-8 is converted to local text, so lyrics in any script arrive intact. The
// request is given up, as a failure, as soon as `stopWaiting` answers true (a newer
// resolution took over: hand it a platform::LatestRun ticket's check).
SongDetail ResolveSongDetailValue(const std::string& address,
                                  std::function<bool()> stopWaiting = {});

// The same as an audio address with out-parameters: the play URL, or the empty text when the
// request fails, the reply is not JSON or it names no http or https address. When the reply
// parses, `image` gets "data.img" and `lyrics` "data.lyrics" (empty when missing); otherwise
// both keep their values.
std::string ResolveSongDetail(const std::string& address, std::string& image, std::string& lyrics,
                              std::function<bool()> stopWaiting = {});

} // namespace tb
