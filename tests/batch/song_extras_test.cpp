// The download options in both paths: each saved song with its tag (every frame read back by
// TagLib, the audio after it the server's bytes) and its lyrics file beside it; a second
// helper run over tagged songs adds nothing; with the options off the songs stay byte for
// byte what the server sent.

#include "batch/plugin_handoff.h"
#include "batch_fixture.h"
#include "catalogue/song_detail.h"
#include "support/child_process.h"
#include "support/tag_readback.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

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

// Waits (bounded) until the helpers have saved `songs` songs into the folder's log.
bool waitForSavedSongs(const fs::path& folder, int songs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string log = ReadFileBytes(folder / "下载信息.TXT");
        int records = 0;
        for (std::size_t at = log.find("- OK -"); at != std::string::npos;
             at = log.find("- OK -", at + 1)) {
            ++records;
        }
        if (records >= songs) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
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

TEST_F(BatchTest, HelperDownloadsAreTaggedAndASecondRunOverThemAddsNothing) {
    InFolder inside(m_folder.path());
    batch::ReleasePlugin(
        [] { return std::optional<std::string>(ReadFileBytes(TB_BATCHGET_PATH)); });
    const TestSong described = describedSong();
    listSongs({described, bareSong()});
    controls.pluginTicked = true;
    controls.songTags = true;
    controls.lyricsFile = true;
    runBatch();
    ASSERT_TRUE(waitForSavedSongs(saveFolder(), 2));
    const fs::path tagged = saveFolder() / "林默 - 晨光里的歌.mp3";
    expectDescribedTag(tagged, audioOf(0), described);
    expectBareTag(saveFolder() / "Bare Band - Plain Song.mp3", audioOf(1));
    // The main program resolves each row twice (the batch, the launch); the helper never.
    EXPECT_EQ(playInfoRequests(), 4);

    // A second run over the tagged songs, each helper run to its end: nothing is added,
    // nothing changed, no record written.
    const std::vector<std::string> filesBefore = savedFiles();
    EXPECT_EQ(filesBefore,
              (std::vector<std::string>{"Bare Band - Plain Song.mp3", "下载信息.TXT",
                                        "林默 - 晨光里的歌.lrc", "林默 - 晨光里的歌.mp3"}));
    const std::size_t fetchesBefore = s_nginx->accessLog().size();
    const std::string taggedBefore = readFile(tagged);
    const std::string logBefore = readFile(saveFolder() / "下载信息.TXT");
    for (int row = 0; row < list.rowCount(); ++row) {
        tags::SongExtras extras;
        extras.writeTags = extras.saveLyricsFile = true;
        extras.rowName = list.cell(row, kColName);
        const SongDetail detail = ResolveSongDetailValue(list.cell(row, kColUrl));
        extras.songName = detail.songName;
        extras.authorName = detail.authorName;
        extras.albumName = detail.albumName;
        extras.imageUrl = detail.imageUrl;
        extras.lyrics = detail.lyrics;
        const std::string commandLine = batch::PluginCommandLine(
            controls.folder + list.cell(row, kColName) + ".mp3", detail.playUrl, extras);
        std::vector<std::string> arguments;
        for (std::size_t at = 1; at < commandLine.size();) {
            const std::size_t space = std::min(commandLine.find(' ', at), commandLine.size());
            arguments.push_back(commandLine.substr(at, space - at));
            at = space + 1;
        }
        ASSERT_GE(arguments.size(), 4u);
        EXPECT_EQ(RunProcess(TB_BATCHGET_PATH, arguments), 0) << row;
    }
    // Each helper fetched its song again and found it there.
    EXPECT_EQ(s_nginx->accessLog().size(), fetchesBefore + 2);
    EXPECT_EQ(savedFiles(), filesBefore);
    EXPECT_TRUE(readFile(tagged) == taggedBefore);
    EXPECT_EQ(readFile(saveFolder() / "下载信息.TXT"), logBefore);
}

} // namespace
} // namespace tb::test
