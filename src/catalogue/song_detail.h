#pragma once
// Resolving a row's play-information address into what the player and the downloads need.

#include <functional>
#include <string>

namespace tb {

// Requests the play-information address (unchanged) and returns the audio address
// ("data.play_url"), or the empty text when the request fails, the reply is not JSON or
// it names no audio. When the reply parses, `image` gets "data.img" and `lyrics`
// "data.lyrics" (empty when missing); otherwise both keep their values. The reply's UTF-8
// is converted to local text, so lyrics in any script arrive intact. The request is given
// up, as a failure, as soon as `stopWaiting` answers true (a newer resolution took over:
// hand it a platform::LatestRun ticket's check).
std::string ResolveSongDetail(const std::string& address, std::string& image, std::string& lyrics,
                              std::function<bool()> stopWaiting = {});

} // namespace tb
