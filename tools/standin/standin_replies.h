#pragma once
// The reply bodies of the stand-in catalogue, shaped like the real service's: UTF-8 JSON
// for the search, search-tip and play-information endpoints, an HTML page for playlist
// shares. `base` is the scheme and host the client used ("http://127.0.0.1:port"), so
// that the addresses inside a reply lead back to this server.

#include "song_catalogue.h"

#include <string>
#include <vector>

namespace tb::standin {

// pageSize < 0 lists every match.
std::string songSearchReply(const std::vector<const StandinSong*>& matches, long long pageSize);
// The first group lists up to musicTipCount matching song names, the second their albums.
std::string searchTipReply(const std::vector<const StandinSong*>& matches, int musicTipCount);
// song == nullptr gives the service's "no such song" reply. The audio address starts with
// audioBase when it is given (audio served elsewhere), else with base.
std::string playInfoReply(const StandinSong* song, const std::string& base,
                          const std::string& audioBase = "");
std::string sharePage(const std::vector<StandinSong>& songs);

std::string audioPath(const StandinSong& song);
std::string coverPath(const StandinSong& song);

} // namespace tb::standin
