#include "catalogue/song_detail.h"

#include "catalogue/catalogue_addresses.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "net/http_request.h"

namespace tb {

std::string ResolveSongDetail(const std::string& address, std::string& image, std::string& lyrics,
                              std::function<bool()> stopWaiting) {
    JsonDocument document;
    if (!document.Parse(Utf8ToLocal(net::HttpRequest(address, std::move(stopWaiting))))) {
        return {};
    }
    image = document.GetText("data.img");
    lyrics = document.GetText("data.lyrics");
    // Anything but a web address (a local file, another scheme) counts as no address.
    std::string playUrl = document.GetText("data['play_url']");
    return IsWebAddress(playUrl) ? playUrl : std::string();
}

} // namespace tb
