// LRC lyrics read from the demo songs and from hostile text, what a tag takes from the play
// information and the row name, and the lyrics file beside a song.

#include "data/local_text.h"
#include "platform/temp_folder.h"
#include "support/test_files.h"
#include "tags/lrc_lyrics.h"
#include "tags/lyrics_file.h"
#include "tags/song_tag.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tb::tags {

void PrintTo(const TimedLine& line, std::ostream* out) {
    *out << line.ms << " \"" << line.text << "\"";
}

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TB_SOURCE_DIR) / "tools/demo";

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size()) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

TEST(LrcLyrics, EveryDemoSongGivesItsLinesInTimeOrder) {
    std::istringstream table(test::ReadFileBytes(kDemo / "songs.tsv"));
    int songs = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') {
            continue;
        }
        const std::vector<std::string> columns = split(row, "\t");
        ASSERT_EQ(columns.size(), 8u) << row;
        SCOPED_TRACE(columns[0]);
        const LrcLyrics lyrics =
            ParseLrc(test::ReadFileBytes(kDemo / "data/lyrics" / (columns[0] + ".lrc")));
        EXPECT_EQ(lyrics.plain, split(columns[7], " | "));
        ASSERT_EQ(lyrics.timed.size(), lyrics.plain.size());
        for (std::size_t i = 1; i < lyrics.timed.size(); ++i) {
            EXPECT_LT(lyrics.timed[i - 1].ms, lyrics.timed[i].ms);
        }
        ++songs;
    }
    EXPECT_EQ(songs, 12);
}

TEST(LrcLyrics, StampsTagsAndOffsetsAndGarbage) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<TimedLine> timed;
        std::vector<std::string> plain;
    };
    const std::vector<Case> cases = {
        {"stamp forms, with a byte-order mark and mixed line ends",
         "\xEF\xBB\xBF[00:01]one\r\n[00:02.5]two\n[00:03.25]three\r[01:04.125]four\r\n"
         "[00:05:50]five",
         {{1000, "one"}, {2500, "two"}, {3250, "three"}, {5500, "five"}, {64125, "four"}},
         {"one", "two", "three", "five", "four"}},
        {"several stamps on one line, out of order, and an empty stamp that ends a line",
         "[00:30.00][00:10.00] chorus \n[00:20.00]verse\n[00:25.00]\n",
         {{10000, "chorus"}, {20000, "verse"}, {25000, ""}, {30000, "chorus"}},
         {"chorus", "verse", "chorus"}},
        {"tags are not lyrics; an offset moves every line earlier, never below 0",
         "[ti:Title]\n[ar:Artist]\n[al:Album]\n[by:someone]\n[OFFSET:+500]\n"
         "[00:00.20]early\n[00:01.00]late",
         {{0, "early"}, {500, "late"}},
         {"early", "late"}},
        {"a negative offset moves lines later",
         "[offset: -250 ]\n[00:01.00]x",
         {{1250, "x"}},
         {"x"}},
        {"a broken offset is ignored", "[offset:soon]\n[00:01.00]x", {{1000, "x"}}, {"x"}},
        {"broken stamps make untimed lines",
         "[00:75.00]bad seconds\n[ab]letters\n[00:01.1234]long fraction\n[99999999:00]too late\n"
         "[00:01]good[00:02]inside\n[00:03.]no fraction\n[:01]no minutes\n[00:04",
         {{1000, "good[00:02]inside"}},
         {"good[00:02]inside"}},
        {"text without any stamp: plain lines only",
         "[ti:Only words]\nfirst line\n\n   \nsecond line\n",
         {},
         {"first line", "second line"}},
        {"nothing at all", "", {}, {}},
        {"binary garbage",
         std::string("\0\xFF[\x01:]\x80\n[", 9),
         {},
         {std::string("\0\xFF[\x01:]\x80", 7), "["}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LrcLyrics lyrics = ParseLrc(c.text);
        EXPECT_EQ(lyrics.timed, c.timed);
        EXPECT_EQ(lyrics.plain, c.plain);
    }
}

TEST(SongTag, TitleAndArtistComeFromThePlayInformationElseFromTheRowName) {
    const auto local = [](const char* utf8) { return Utf8ToLocal(utf8); };
    struct Case {
        const char* song;
        const char* author;
        const char* row;
        const char* title;
        const char* artist;
    };
    const std::vector<Case> cases = {
        {"晨光里的歌", "林默", "whatever - the row says", "晨光里的歌", "林默"},
        {"林默 - 晨光里的歌", "林默", "", "晨光里的歌", "林默"},
        {"", "", "김하늘 - 봄비", "봄비", "김하늘"},
        {"", "", "Slash Duo - Yes/No? Maybe - Live", "Yes/No? Maybe - Live", "Slash Duo"},
        {"", "抖音歌手", "抖音歌手 - 同名歌曲", "同名歌曲", "抖音歌手"},
        {"夜空之下", "", "抖音热歌 - 夜空之下", "夜空之下", "抖音热歌"},
        {"Bare Band - Plain Song", "", "Bare Band - Plain Song", "Plain Song", "Bare Band"},
        {"", "", "A name without a separator", "A name without a separator", ""},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        TagFacts facts;
        facts.songName = local(c.song);
        facts.authorName = local(c.author);
        const SongTag tag = MakeSongTag(facts, local(c.row));
        EXPECT_EQ(tag.title, c.title);
        EXPECT_EQ(tag.artist, c.artist);
        EXPECT_EQ(tag.album, "");
        EXPECT_FALSE(tag.cover);
        EXPECT_TRUE(tag.plainLyrics.empty() && tag.timedLyrics.empty());
    }

    using namespace std::string_literals;
    const std::vector<std::pair<std::string, std::string>> covers = {
        {test::ReadFileBytes(kDemo / "data/covers/01.jpg"), "image/jpeg"},
        {"\x89PNG\r\n\x1A\n..."s, "image/png"},
        {"GIF89a..."s, "image/gif"},
        {"RIFF\x10\0\0\0WEBPVP8 "s, "image/webp"},
        {"<html>not found</html>"s, ""},
        {"RIFF\x10\0\0\0WAVE"s, ""},
        {"\xFF\xD8"s, ""},
        {""s, ""},
    };
    for (const auto& [bytes, mime] : covers) {
        SCOPED_TRACE(mime);
        TagFacts facts;
        facts.coverBytes = bytes;
        const SongTag tag = MakeSongTag(facts, "x");
        EXPECT_EQ(tag.cover ? tag.cover->mimeType : "", mime);
        EXPECT_EQ(tag.cover ? tag.cover->bytes : "", mime.empty() ? "" : bytes);
    }
}

TEST(LyricsFile, WrittenBesideTheSongAndNeverOverAnotherFile) {
    EXPECT_EQ(LyricsFilePath("/music/a.b/Song.mp3"), "/music/a.b/Song.lrc");
    EXPECT_EQ(LyricsFilePath("/music/a.b/Song"), "/music/a.b/Song.lrc");
    EXPECT_EQ(LyricsFilePath("Song.v2.mp3"), "Song.v2.lrc");

    test::TempFolder folder;
    const fs::path song = folder.path() / "林默 - 晨光里的歌.mp3";
    const fs::path lrc = folder.path() / "林默 - 晨光里的歌.lrc";
    const std::string songPath = Utf8ToLocal(song.string());
    const std::string lyrics = Utf8ToLocal("\n[ti:晨光]\n[00:01.50]清晨\r\n[00:06.89]我在等\n\n");
    const std::string expected = "\xEF\xBB\xBF[ti:晨光]\r\n[00:01.50]清晨\r\n[00:06.89]我在等\r\n";

    EXPECT_EQ(WriteLyricsFile(songPath, lyrics), LyricsFileResult::Written);
    EXPECT_EQ(test::ReadFileBytes(lrc), expected);
    EXPECT_EQ(WriteLyricsFile(songPath, lyrics), LyricsFileResult::AlreadyThere);

    std::ofstream(lrc, std::ios::binary) << "my own lyrics";
    EXPECT_EQ(WriteLyricsFile(songPath, lyrics), LyricsFileResult::OtherKept);
    EXPECT_EQ(test::ReadFileBytes(lrc), "my own lyrics");
    std::ofstream(lrc, std::ios::binary) << expected << "and more";
    EXPECT_EQ(WriteLyricsFile(songPath, lyrics), LyricsFileResult::OtherKept);

    const std::string other = Utf8ToLocal((folder.path() / "other.mp3").string());
    EXPECT_EQ(WriteLyricsFile(other, "[ti:x]\nno time at all"), LyricsFileResult::NoTimedLines);
    EXPECT_EQ(WriteLyricsFile(Utf8ToLocal((folder.path() / "no/such/folder.mp3").string()), lyrics),
              LyricsFileResult::Failed);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"林默 - 晨光里的歌.lrc"}) << "nothing else is left";
}

} // namespace
} // namespace tb::tags
