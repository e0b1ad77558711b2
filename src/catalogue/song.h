#pragma once
// One song of a search or a share page, as the catalogue delivers it, and the texts of the
// result row's song columns made from it. Header only, like the result-list interface.

#include "data/local_text.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace tb {

enum class SongOrigin : std::uint8_t {
    KeywordSearch, // carries duration and size, each possibly missing from the reply
    SharePage      // carries neither; its time and size columns stay empty
};

// Texts are local text.
struct Song {
    std::string name;
    std::string hash;
    std::string albumId;
    std::string playInfoAddress;
    std::optional<double> seconds; // "HQDuration"
    std::optional<double> bytes;   // "FileSize"
    SongOrigin origin = SongOrigin::KeywordSearch;
};

// A number member of a reply, read as text: the empty text is no number. A number written
// as JSON numbers are read ("245", "2.5", "inf") keeps its exact value, so its text comes
// back unchanged; any other text counts by the usual rules (LocalToDouble).
inline std::optional<double> SongNumber(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end ? value : LocalToDouble(text);
}

// A number as the reply's text gave it ("%.13g", as JSON numbers are read); empty for none.
inline std::string OptionalNumberText(const std::optional<double>& number) {
    if (!number) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.13g", *number);
    return text;
}

// "时间": mm:ss of the duration, 00:00 when the reply had none; empty for share-page songs.
inline std::string SongDurationText(const Song& song) {
    return song.origin == SongOrigin::KeywordSearch
               ? DurationText(LocalToInt(OptionalNumberText(song.seconds)))
               : std::string();
}

// "大小": the size as "3.75M", 0.00M when the reply had none; empty for share-page songs.
inline std::string SongSizeText(const Song& song) {
    return song.origin == SongOrigin::KeywordSearch ? SizeText(OptionalNumberText(song.bytes))
                                                    : std::string();
}

} // namespace tb
