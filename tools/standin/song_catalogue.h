#pragma once
// The songs the stand-in catalogue serves: either read from a demo data folder
// (songs.json plus audio, covers, lyrics and pictures) or generated in any number for
// benchmarks. All text is UTF-8.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::standin {

struct StandinSong {
    std::string name; // the whole file name as a search reply lists it
    std::string singer;
    std::string hash; // 32 upper-case hex digits
    std::string albumId;
    std::string albumName;
    int durationSeconds = 0;
    std::string audio; // MP3 bytes; empty for generated songs (see audioSize)
    std::uint64_t generatedAudioSize = 0;
    std::string cover;  // JPEG bytes, may be empty
    std::string lyrics; // LRC text with CR LF line ends
    bool hasPlayUrl = true;

    std::uint64_t audioSize() const { return audio.empty() ? generatedAudioSize : audio.size(); }
    // Bytes [offset, offset + length) of the audio; generated songs give a fixed pattern.
    std::string audioBytes(std::uint64_t offset, std::uint64_t length) const;
};

class SongCatalogue {
public:
    // Reads DIR/songs.json and the files it names. Empty optional and a message on failure.
    static std::optional<SongCatalogue> loadDirectory(const std::filesystem::path& dir,
                                                      std::string& error);
    // count generated songs named "Synthetic song 00001 ..." with generated audio.
    static SongCatalogue synthetic(int count);

    const std::vector<StandinSong>& songs() const { return m_songs; }
    // Songs whose name contains the keyword, ASCII letter case ignored; all for "".
    std::vector<const StandinSong*> match(std::string_view keyword) const;
    // The song with this hash (letter case ignored), or nullptr.
    const StandinSong* byHash(std::string_view hash) const;
    // Picture n of the picture window, or nullptr.
    const std::string* picture(int number) const;

    void addSong(StandinSong song);

private:
    std::vector<StandinSong> m_songs;
    std::map<std::string, std::size_t> m_byHash; // upper-case hash -> index
    std::map<int, std::string> m_pictures;
};

// ASCII upper-case copy.
std::string upperAscii(std::string_view text);

} // namespace tb::standin
