#include "tags/song_tag.h"

#include "data/local_text.h"

namespace tb::tags {
namespace {

constexpr std::string_view kNameSeparator = " - ";

struct SplitName {
    std::string artist;
    std::string title;
};

// "artist - title" split at the first " - " (local text, searched a character at a time).
SplitName splitRowName(std::string_view rowName) {
    const std::size_t separator = FindLocal(rowName, kNameSeparator);
    if (separator == std::string::npos) {
        return {{}, TrimBlanks(rowName)};
    }
    return {TrimBlanks(rowName.substr(0, separator)),
            TrimBlanks(rowName.substr(separator + kNameSeparator.size()))};
}

// The song name without the author in front of it ("author - title" -> "title").
std::string titleWithoutAuthor(const std::string& songName, const std::string& author) {
    const std::string prefix = author + std::string(kNameSeparator);
    if (!author.empty() && songName.size() > prefix.size() && songName.starts_with(prefix)) {
        return TrimBlanks(std::string_view(songName).substr(prefix.size()));
    }
    return songName;
}

bool startsWith(std::string_view bytes, std::string_view signature, std::size_t at = 0) {
    return bytes.size() >= at + signature.size() && bytes.substr(at, signature.size()) == signature;
}

} // namespace

std::string CoverMimeType(std::string_view bytes) {
    using namespace std::string_view_literals;
    if (startsWith(bytes, "\xFF\xD8\xFF"sv)) {
        return "image/jpeg";
    }
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"sv)) {
        return "image/png";
    }
    if (startsWith(bytes, "GIF87a"sv) || startsWith(bytes, "GIF89a"sv)) {
        return "image/gif";
    }
    if (startsWith(bytes, "RIFF"sv) && startsWith(bytes, "WEBP"sv, 8)) {
        return "image/webp";
    }
    return {};
}

SongTag MakeSongTag(const TagFacts& facts, std::string_view rowName) {
    const SplitName fromRow = splitRowName(rowName);
    const std::string author = TrimBlanks(facts.authorName);
    const std::string artist = author.empty() ? fromRow.artist : author;
    // A song name that is the whole row name loses the artist in front of it too.
    const std::string song = titleWithoutAuthor(TrimBlanks(facts.songName), artist);
    SongTag tag;
    tag.title = LocalToUtf8(song.empty() ? fromRow.title : song);
    tag.artist = LocalToUtf8(artist);
    tag.album = LocalToUtf8(TrimBlanks(facts.albumName));
    if (std::string mime = CoverMimeType(facts.coverBytes); !mime.empty()) {
        tag.cover = CoverImage{std::move(mime), facts.coverBytes};
    }
    LrcLyrics lyrics = ParseLrc(LocalToUtf8(facts.lyrics));
    tag.plainLyrics = std::move(lyrics.plain);
    tag.timedLyrics = std::move(lyrics.timed);
    return tag;
}

} // namespace tb::tags
