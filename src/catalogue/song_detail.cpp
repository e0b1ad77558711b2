#include "catalogue/song_detail.h"

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
    return document.GetText("data['play_url']");
}

} // namespace tb
