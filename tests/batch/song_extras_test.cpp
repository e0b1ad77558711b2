// The download options: each saved song with its tag (every frame read back by TagLib, the
// audio after it the server's bytes) and its lyrics file beside it; with the options off the
// songs stay byte for byte what the server sent.

#include "batch_fixture.h"
#include "support/tag_readback.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

namespace tb::test {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TB_SOURCE_DIR) / "tools/demo/data";
const std::string kBom = "\xEF\xBB\xBF";

// A song the play information describes fully, its lyrics and cover from the demo data.
TestSong describedSong() {
    TestSong song;
    song.name = "林默 - 晨光里的歌";
    song.singer = "林默";
    song.album = "晨光";
    song.cover = ReadFileBytes(kDemo / "covers/01.jpg");
    song.lyrics = ReadFileBytes(kDemo / "lyrics/01.lrc");
    return song;
}

// A song with nothing but its row name: title and artist come from there, nothing else.
TestSong bareSong() {
    TestSong song;
    song.name = "Bare Band - Plain Song";
    return song;
}

void expectDescribedTag(const fs::path& file, const std::string& serverAudio,
                        const TestSong& song) {
    const ReadBackTag tag = ReadTagOf(file);
    ASSERT_TRUE(tag.hasTag) << file;
    EXPECT_EQ(tag.version, 4u);
    EXPECT_EQ(tag.audio, serverAudio);
    EXPECT_EQ(tag.title, "晨光里的歌");
    EXPECT_EQ(tag.artist, "林默");
    EXPECT_EQ(tag.album, "晨光");
    EXPECT_EQ(tag.titleFrames + tag.artistFrames + tag.albumFrames, 3);
    EXPECT_TRUE(tag.allTextUtf8);
    EXPECT_EQ(tag.covers, 1);
    EXPECT_EQ(tag.coverMime, "image/jpeg");
    EXPECT_TRUE(tag.coverBytes == song.cover);
    EXPECT_EQ(tag.plainLyricsFrames, 1);
    EXPECT_EQ(tag.plainLyrics, "清晨的光照进窗台\n我在等一首歌\n风吹过安静的街\n晨光里的歌慢慢唱");
    EXPECT_EQ(tag.timedLyricsFrames, 1);
    EXPECT_TRUE(tag.timedInMilliseconds);
    const std::vector<std::pair<std::uint32_t, std::string>> timed{{1500, "清晨的光照进窗台"},
                                                                   {6890, "我在等一首歌"},
                                                                   {10310, "风吹过安静的街"},
                                                                   {14560, "晨光里的歌慢慢唱"}};
    EXPECT_EQ(tag.timedLyrics, timed);
    EXPECT_EQ(ReadFileBytes(fs::path(file).replace_extension(".lrc")), kBom + song.lyrics);
}

void expectBareTag(const fs::path& file, const std::string& serverAudio) {
    const ReadBackTag tag = ReadTagOf(file);
    ASSERT_TRUE(tag.hasTag) << file;
    EXPECT_EQ(tag.audio, serverAudio);
    EXPECT_EQ(tag.title, "Plain Song");
    EXPECT_EQ(tag.artist, "Bare Band");
    EXPECT_EQ(tag.albumFrames + tag.covers + tag.plainLyricsFrames + tag.timedLyricsFrames, 0);
    // No timed line, so no lyrics file either.
    EXPECT_FALSE(fs::exists(fs::path(file).replace_extension(".lrc")));
}

void tickAll(ResultList& list) {
    for (int row = 0; row < list.rowCount(); ++row) {
        list.setTicked(row, true);
    }
}

TEST_F(BatchTest, InternalDownloadsAreTaggedWithTheirLyricsBesideOnlyWhenSwitchedOn) {
    const TestSong described = describedSong();
    listSongs({described, bareSong()});

    // Off (the default): the songs exactly as the server sent them, nothing beside them.
    runBatch();
    EXPECT_EQ(savedFiles(),
              (std::vector<std::string>{"Bare Band - Plain Song.mp3", "林默 - 晨光里的歌.mp3"}));
    EXPECT_EQ(readFile(saveFolder() / "林默 - 晨光里的歌.mp3"), audioOf(0));
    EXPECT_EQ(readFile(saveFolder() / "Bare Band - Plain Song.mp3"), audioOf(1));

    for (const std::string& name : savedFiles()) {
        fs::remove(saveFolder() / name);
    }
    tickAll(list);
    controls.songTags = true;
    controls.lyricsFile = true;
    const int requestsBefore = playInfoRequests();
    runBatch();
    EXPECT_EQ(list.cell(0, kColStatus), L("下载完成"));
    EXPECT_EQ(savedFiles(),
              (std::vector<std::string>{"Bare Band - Plain Song.mp3", "林默 - 晨光里的歌.lrc",
                                        "林默 - 晨光里的歌.mp3"}));
    expectDescribedTag(saveFolder() / "林默 - 晨光里的歌.mp3", audioOf(0), described);
    expectBareTag(saveFolder() / "Bare Band - Plain Song.mp3", audioOf(1));
    // Each row's play information is resolved once; the tag is made from that.
    EXPECT_EQ(playInfoRequests() - requestsBefore, 2);
}

} // namespace
} // namespace tb::test
