#include "catalogue/song_detail.h"

#include "catalogue/catalogue_addresses.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "net/http_request.h"

namespace tb {

SongDetail ResolveSongDetailValue(const std::string& address, std::function<bool()> stopWaiting) {
    SongDetail detail;
    JsonDocument document;
    if (!document.Parse(Utf8ToLocal(net::HttpRequest(address, std::move(stopWaiting))))) {
        return detail;
    }
    detail.parsed = true;
    detail.imageUrl = document.GetText("data.img");
    detail.lyrics = document.GetText("data.lyrics");
    // Anything but a web address (a local file, another scheme) counts as no address.
    detail.playUrl = document.GetText("data['play_url']");
    if (!IsWebAddress(detail.playUrl)) {
        detail.playUrl.clear();
    }
    detail.songName = document.GetText("data.song_name");
    detail.authorName = document.GetText("data.author_name");
    detail.albumName = document.GetText("data.album_name");
    return detail;
}

std::string ResolveSongDetail(const std::string& address, std::string& image, std::string& lyrics,
                              std::function<bool()> stopWaiting) {
    SongDetail detail = ResolveSongDetailValue(address, std::move(stopWaiting));
    if (detail.parsed) {
        image = std::move(detail.imageUrl);
        lyrics = std::move(detail.lyrics);
    }
    return detail.playUrl;
}

} // namespace tb
