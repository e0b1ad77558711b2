#include "song_catalogue.h"

#include <boost/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tb::standin {
namespace {

// Pictures of the picture window are numbered 19..31 by the client.
constexpr int kFirstPicture = 19;
constexpr int kLastPicture = 31;

// The file's bytes, or nothing when it is missing, not a plain file (a song entry without a
// file name points at the folder itself) or cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (!in || !(bytes << in.rdbuf())) {
        return std::nullopt;
    }
    return std::move(bytes).str();
}

std::string memberText(const boost::json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    if (value == nullptr) {
        return {};
    }
    if (value->is_string()) {
        return std::string(value->get_string());
    }
    return boost::json::serialize(*value);
}

std::string optionalFile(const std::filesystem::path& dir, const std::string& relative) {
    if (relative.empty()) {
        return {};
    }
    return readFile(dir / relative).value_or(std::string());
}

std::optional<StandinSong> songFromJson(const boost::json::value& value,
                                        const std::filesystem::path& dir, std::string& error) {
    if (!value.is_object()) {
        error = "songs.json: every song must be an object";
        return std::nullopt;
    }
    const auto& object = value.get_object();
    StandinSong song;
    song.name = memberText(object, "name");
    song.singer = memberText(object, "singer");
    song.hash = upperAscii(memberText(object, "hash"));
    song.albumId = memberText(object, "album_id");
    song.albumName = memberText(object, "album_name");
    song.durationSeconds = std::atoi(memberText(object, "duration").c_str());
    song.hasPlayUrl = memberText(object, "play_url") != "false";
    const auto audio = readFile(dir / memberText(object, "audio"));
    if (song.name.empty() || song.hash.empty() || !audio) {
        error = "songs.json: song without name, hash or readable audio: " + song.name;
        return std::nullopt;
    }
    song.audio = *audio;
    song.cover = optionalFile(dir, memberText(object, "cover"));
    song.lyrics = optionalFile(dir, memberText(object, "lyrics"));
    return song;
}

} // namespace

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string StandinSong::audioBytes(std::uint64_t offset, std::uint64_t length) const {
    const std::uint64_t size = audioSize();
    if (offset >= size) {
        return {};
    }
    length = std::min(length, size - offset);
    if (!audio.empty()) {
        return audio.substr(offset, length);
    }
    std::string out(length, '\0');
    for (std::uint64_t i = 0; i < length; ++i) {
        const std::uint64_t at = offset + i;
        out[i] = static_cast<char>((at * 131 + (at >> 8)) & 0xFF);
    }
    return out;
}

std::optional<SongCatalogue> SongCatalogue::loadDirectory(const std::filesystem::path& dir,
                                                          std::string& error) {
    const auto text = readFile(dir / "songs.json");
    if (!text) {
        error = "cannot read " + (dir / "songs.json").string();
        return std::nullopt;
    }
    boost::system::error_code code;
    const boost::json::value root = boost::json::parse(*text, code);
    if (code || !root.is_array()) {
        error = "songs.json is not a JSON array";
        return std::nullopt;
    }
    SongCatalogue catalogue;
    for (const auto& value : root.get_array()) {
        auto song = songFromJson(value, dir, error);
        if (!song) {
            return std::nullopt;
        }
        catalogue.addSong(std::move(*song));
    }
    for (int n = kFirstPicture; n <= kLastPicture; ++n) {
        if (auto picture = readFile(dir / "pictures" / (std::to_string(n) + ".jpg"))) {
            catalogue.m_pictures[n] = std::move(*picture);
        }
    }
    return catalogue;
}

SongCatalogue SongCatalogue::synthetic(int count) {
    static const char* const kWords[] = {"Rain", "River", "Night", "Light", "Wind", "Star"};
    SongCatalogue catalogue;
    for (int i = 1; i <= count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%05d", i);
        char hash[40];
        std::snprintf(hash, sizeof hash, "%08X%08X%08X%08X", static_cast<unsigned>(i) * 2654435761U,
                      static_cast<unsigned>(i), 0x5EEDU, static_cast<unsigned>(count));
        StandinSong song;
        song.singer = std::string("Synth ") + kWords[i % 6];
        song.name = song.singer + " - Synthetic song " + number + " " + kWords[(i / 6) % 6];
        song.hash = hash;
        song.albumId = std::to_string(900000 + i);
        song.albumName = "Synthetic album";
        song.durationSeconds = 120 + (i * 7) % 180;
        song.generatedAudioSize = 2000000 + static_cast<std::uint64_t>(i % 97) * 40961;
        catalogue.addSong(std::move(song));
    }
    return catalogue;
}

std::vector<const StandinSong*> SongCatalogue::match(std::string_view keyword) const {
    const std::string wanted = upperAscii(keyword);
    std::vector<const StandinSong*> found;
    for (const auto& song : m_songs) {
        if (upperAscii(song.name).find(wanted) != std::string::npos) {
            found.push_back(&song);
        }
    }
    return found;
}

const StandinSong* SongCatalogue::byHash(std::string_view hash) const {
    const auto found = m_byHash.find(upperAscii(hash));
    return found == m_byHash.end() ? nullptr : &m_songs[found->second];
}

const std::string* SongCatalogue::picture(int number) const {
    const auto found = m_pictures.find(number);
    if (found != m_pictures.end()) {
        return &found->second;
    }
    // Without pictures of its own the catalogue shows its covers in turn.
    for (std::size_t i = 0; i < m_songs.size(); ++i) {
        const auto& song = m_songs[(static_cast<std::size_t>(number) + i) % m_songs.size()];
        if (!song.cover.empty()) {
            return &song.cover;
        }
    }
    return nullptr;
}

void SongCatalogue::addSong(StandinSong song) {
    m_byHash[upperAscii(song.hash)] = m_songs.size();
    m_songs.push_back(std::move(song));
}

} // namespace tb::standin
