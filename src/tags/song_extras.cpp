#include "tags/song_extras.h"

#include "data/local_text.h"
#include "net/fetch_bytes.h"

namespace tb::tags {
namespace {

bool isWebAddress(std::string_view address) {
    return address.starts_with("http://") || address.starts_with("https://");
}

} // namespace

std::string FetchCoverBytes(const std::string& imageUrl) {
    const std::string address = LocalToUtf8(TrimBlanks(imageUrl));
    if (!isWebAddress(address)) {
        return {};
    }
    net::FetchBytesArgs args;
    std::string bytes = net::FetchBytes(address, args);
    if (args.status < 200 || args.status > 299 || !args.bodyComplete ||
        CoverMimeType(bytes).empty()) {
        return {};
    }
    return bytes;
}

SongTag FetchSongTag(const SongExtras& extras) {
    TagFacts facts;
    facts.songName = extras.songName;
    facts.authorName = extras.authorName;
    facts.albumName = extras.albumName;
    facts.lyrics = extras.lyrics;
    facts.coverBytes = FetchCoverBytes(extras.imageUrl);
    return MakeSongTag(facts, extras.rowName);
}

} // namespace tb::tags
