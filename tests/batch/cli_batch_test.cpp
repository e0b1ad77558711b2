// tunebatch-cli batch: the companion runs the same batch command over a searched list.

#include "data/local_text.h"
#include "platform/temp_folder.h"
#include "standin_server.h"
#include "support/child_process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tb::test {
namespace {

namespace fs = std::filesystem;

class CliBatchTest : public testing::Test {
protected:
    void SetUp() override {
        standin::SongCatalogue catalogue;
        const char* names[] = {"Song 晴天", "Song Rain?", "Song three"};
        for (int i = 0; i < 3; ++i) {
            standin::StandinSong song;
            song.name = names[i];
            song.hash = "D000000000000000000000000000000" + std::to_string(i + 1);
            song.albumId = "5";
            song.generatedAudioSize = 40000 + i * 1000;
            audio.push_back(song.audioBytes(0, song.audioSize()));
            catalogue.addSong(song);
        }
        server = std::make_unique<standin::StandinServer>(catalogue);
        ASSERT_GT(server->start(0), 0);
        ASSERT_FALSE(scratch.path().empty());
        fs::create_directories(scratch.path() / "run");
    }

    struct Result {
        std::optional<int> exit;
        std::vector<std::string> lines;
    };
    Result batch(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "batch");
        const fs::path output = scratch.path() / "output.txt";
        const std::string host = server->baseAddress();
        ProcessOptions options;
        options.environment = {"TUNEBATCH_SEARCH_HOST=" + host, "TUNEBATCH_PLAY_HOST=" + host};
        options.workingFolder = (scratch.path() / "run").string();
        options.outputFile = output.string();
        Result result{RunProcess(TB_CLI_PATH, arguments, options), {}};
        std::ifstream in(output);
        for (std::string line; std::getline(in, line);) {
            result.lines.push_back(line);
        }
        return result;
    }
    std::string save() const { return (scratch.path() / "歌").string(); }

    std::unique_ptr<standin::StandinServer> server;
    std::vector<std::string> audio;
    TempFolder scratch;
};

TEST_F(CliBatchTest, PickedRowsAreDownloadedAndEveryRowIsPrintedAfterTheLastDownload) {
    const Result result = batch({"Song", "--save", save(), "--pick", "0,2"});
    ASSERT_EQ(result.exit, 0);
    ASSERT_EQ(result.lines.size(), 5u);
    EXPECT_TRUE(result.lines[0].starts_with("prompt: 你要保存的磁盘(")) << result.lines[0];
    EXPECT_TRUE(result.lines[0].ends_with("] 你下载的文件一共有：[0.08M] 是否下载？"))
        << result.lines[0];
    EXPECT_EQ(result.lines[1], "prompt: 执行完成；查看即可！！！！");
    EXPECT_TRUE(result.lines[2].starts_with("row 0\tSong 晴天\t")) << result.lines[2];
    EXPECT_TRUE(result.lines[2].ends_with("\t下载完成\t0")) << result.lines[2];
    EXPECT_EQ(result.lines[3], "row 1\tSong Rain?\t\t\t0");
    EXPECT_TRUE(result.lines[4].ends_with("\t下载完成\t0")) << result.lines[4];
    EXPECT_EQ(tb::test::ReadFileBytes(save() + "/Song 晴天.mp3"), audio[0]);
    EXPECT_EQ(tb::test::ReadFileBytes(save() + "/Song three.mp3"), audio[2]);
    EXPECT_FALSE(fs::exists(save() + "/Song Rain_.mp3"));
}

TEST_F(CliBatchTest, AnswersAndPicksDecideWhatIsAskedAndDone) {
    {
        SCOPED_TRACE("--answer no");
        const Result result = batch({"Song", "--save", save(), "--answer", "no"});
        ASSERT_EQ(result.exit, 0);
        ASSERT_EQ(result.lines.size(), 4u);
        EXPECT_TRUE(result.lines[0].starts_with("prompt: "));
        EXPECT_EQ(result.lines[2], "row 1\tSong Rain?\t\t\t1");
        EXPECT_FALSE(fs::exists(save() + "/Song Rain_.mp3"));
    }
    {
        SCOPED_TRACE("--pick \"\" ticks nothing: nothing asked");
        const Result result = batch({"Song", "--save", save(), "--pick", ""});
        ASSERT_EQ(result.exit, 0);
        ASSERT_EQ(result.lines.size(), 3u);
        EXPECT_EQ(result.lines[0], "row 0\tSong 晴天\t\t\t0");
    }
    EXPECT_EQ(batch({"Song", "--save", save(), "--pick", "7"}).exit, 1);
    EXPECT_EQ(batch({"Song", "--save", save(), "--pick", "1,x"}).exit, 2);
    EXPECT_EQ(batch({"Song", "--save", save(), "--answer", "maybe"}).exit, 2);
    EXPECT_EQ(batch({"Song"}).exit, 2);
}

TEST_F(CliBatchTest, PluginModeReleasesTheCarriedHelperIntoAFolderWithoutOne) {
    ASSERT_FALSE(fs::exists(scratch.path() / "run" / "batchget"));
    const Result result = batch({"Song", "--save", save(), "--plugin", "--pick", "1"});
    ASSERT_EQ(result.exit, 0);
    ASSERT_EQ(result.lines.size(), 6u);
    EXPECT_TRUE(result.lines[0].starts_with("prompt: 回调将不会有提示 自己看下载 目录"));
    EXPECT_EQ(result.lines[4], "row 1\tSong Rain?\t回调已启动\t未知状态~\t0");
    EXPECT_TRUE(fs::exists(scratch.path() / "run" / "batchget"));
    const fs::path song = save() + "/Song Rain_.mp3";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (tb::test::ReadFileBytes(song) != audio[1] &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(tb::test::ReadFileBytes(song), audio[1]);
}

} // namespace
} // namespace tb::test
