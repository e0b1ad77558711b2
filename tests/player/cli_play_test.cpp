// tunebatch-play: the program's player without a window, as a real process against
// the stand-in catalogue on loopback.

#include "catalogue/catalogue_addresses.h"
#include "standin_server.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

using tb::test::RunShellCommand;
using CliRun = tb::test::CommandOutput;

// Runs the command with its own temporary folder, which takes the local copies; the lines
// are its standard output only.
CliRun runPlay(const std::string& arguments) {
    char folder[] = "/tmp/tb-cli-play-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return {};
    }
    CliRun run = RunShellCommand(std::string("TMPDIR=") + folder + " " + TB_PLAY_PATH + " " +
                                 arguments + " 2>/dev/null");
    std::filesystem::remove_all(folder);
    return run;
}

bool has(const CliRun& run, const std::string& line) {
    return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

class CliPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto catalogue =
            tb::standin::SongCatalogue::loadDirectory(TB_SOURCE_DIR "/tools/demo/data", error);
        ASSERT_TRUE(catalogue) << error;
        server = std::make_unique<tb::standin::StandinServer>(std::move(*catalogue));
        ASSERT_GT(server->start(0), 0);
    }
    void TearDown() override { server->stop(); }

    std::string address(const std::string& hash, const std::string& album) const {
        return "'" + tb::PlayInfoAddress(server->baseAddress(), hash, album) + "'";
    }

    std::unique_ptr<tb::standin::StandinServer> server;
};

TEST_F(CliPlayTest, PrintsTheModeTheTimeAndTheLyricsAsTheSongPlays) {
    // "Mixed Case - Hello World", 12 s; its first lyric line is due at 00:01.
    const CliRun run = runPlay(address("2F09AB3E7081B5BF0434AA685DD79EA8", "10011") +
                               " --name 'Hello World' --seconds 4");
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_GE(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], "mode: streaming");
    EXPECT_EQ(run.lines[1], "time: 总时间[00:12]");
    EXPECT_TRUE(has(run, "lyrics: Hello world hello"));
    const bool counting = std::any_of(run.lines.begin(), run.lines.end(), [](const auto& line) {
        return line.rfind("time: 总时间[00:12] - 剩余时间[00:", 0) == 0;
    });
    EXPECT_TRUE(counting);
    EXPECT_FALSE(has(run, "time: 播放结束 重新选择")); // stopped after 4 s, before the end
}

TEST_F(CliPlayTest, EndsAtOnceWhenNothingCanBePlayed) {
    const CliRun silent = runPlay(address("CFE1CAB22B1A379ECDFDCD00B291856A", "10009"));
    EXPECT_EQ(silent.exitCode, 0);
    EXPECT_EQ(silent.lines, std::vector<std::string>{"status: 无效地址，无法播放"});

    const CliRun dead = runPlay("http://127.0.0.1:9/yy/index.php");
    EXPECT_EQ(dead.exitCode, 0);
    EXPECT_EQ(dead.lines, std::vector<std::string>{"status: 无效地址，无法播放"});
}

TEST_F(CliPlayTest, FallsBackToTheLocalCopyWhenTheStreamFails) {
    server->setFaults({.status500 = true, .pathPrefix = "/audio/", .count = 1});
    const CliRun run =
        runPlay(address("91C3F7C7043579C76A12001F4CAF7294", "10012") + " --seconds 3");
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines[0], "mode: local");
    EXPECT_TRUE(has(run, "time: 总时间[00:00]")); // a lone address carries no duration
}

} // namespace
