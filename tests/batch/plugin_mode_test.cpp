// The plug-in path: the switch that releases the helper into the current folder, and a
// batch that hands every ticked row to a helper process of its own.

#include "batch/plugin_handoff.h"
#include "batch_fixture.h"
#include "data/local_text.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tb::test {
namespace {

namespace fs = std::filesystem;

std::string builtHelper() {
    return ReadFileBytes(TB_BATCHGET_PATH);
}

// Waits (bounded) until the log holds `records` lines.
bool waitForRecords(const fs::path& log, int records) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = ReadFileBytes(log);
        int lines = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at + 2)) {
            ++lines;
        }
        if (lines >= records) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST_F(BatchTest, PluginSwitchReleasesTheHelperWhenMissingAndClearsTheBusyFlag) {
    InFolder inside(m_folder.path());
    const std::string image = builtHelper();
    ASSERT_FALSE(image.empty());
    int imageReads = 0;
    const batch::PluginImage carried = [&] {
        ++imageReads;
        return std::optional<std::string>(image);
    };
    DownloadBusy = true;
    batch::OnPluginSwitchClicked(false, carried);
    EXPECT_FALSE(fs::exists("batchget"));
    EXPECT_TRUE(DownloadBusy);
    EXPECT_TRUE(prompt->texts.empty());

    batch::OnPluginSwitchClicked(true, carried);
    EXPECT_EQ(readFile("batchget"), image);
    EXPECT_EQ(FileMode("batchget"), 0755);
    EXPECT_FALSE(DownloadBusy);
    ASSERT_EQ(prompt->texts.size(), 1u);
    EXPECT_EQ(prompt->texts[0],
              L("回调将不会有提示 自己看下载 目录  这个速度将超乎你的想象！快反应~  "
                "就是不提示 没有写回调接口返回信息"));

    // Present already: left as it is, whatever it holds.
    std::ofstream("batchget", std::ios::binary | std::ios::trunc) << "mine";
    batch::OnPluginSwitchClicked(true, carried);
    EXPECT_EQ(readFile("batchget"), "mine");
    EXPECT_EQ(imageReads, 1);
    fs::remove("batchget");
    batch::ReleasePlugin([] { return std::optional<std::string>(); });
    EXPECT_FALSE(fs::exists("batchget"));
}

TEST_F(BatchTest, PluginModeLaunchesEveryRowAtOnceAndUnticksIt) {
    InFolder inside(m_folder.path());
    batch::ReleasePlugin([] { return std::optional<std::string>(builtHelper()); });
    listSongs({{"夜空 之下"}, {"AC/DC: Live?"}, {"夜空 之下"}, {"Lost", 30000, "", false}});
    // The stand-in serves the audio itself, each reply held back for two seconds.
    standin->setAudioBase("");
    standin::FaultSwitches slowAudio;
    slowAudio.delayMs = 2000;
    slowAudio.pathPrefix = "/audio/";
    standin->setFaults(slowAudio);
    const fs::path folder = saveFolder() / "新 歌";
    controls.folder = L(folder.string());
    controls.pluginTicked = true;
    runBatch();

    // Every playable row was handed over and not one song has arrived yet.
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list.cell(row, kColProgress), L("回调已启动")) << row;
        EXPECT_EQ(list.cell(row, kColStatus), L("未知状态~")) << row;
        EXPECT_FALSE(list.isTicked(row)) << row;
    }
    EXPECT_EQ(list.selectedRow(), 2);
    EXPECT_EQ(list.cell(3, kColStatus), L("错误地址"));
    EXPECT_TRUE(list.isTicked(3));
    EXPECT_FALSE(fs::exists(folder / "AC_DC_ Live_.mp3"));
    ASSERT_EQ(prompt->texts.size(), 2u);
    EXPECT_EQ(prompt->texts[1], L("执行完成；查看即可！！！！"));

    ASSERT_TRUE(waitForRecords(folder / "下载信息.TXT", 3));
    EXPECT_EQ(readFile(folder / "夜空 之下.mp3"), audioOf(0));
    EXPECT_EQ(readFile(folder / "AC_DC_ Live_.mp3"), audioOf(1));
    int marked = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("夜空 之下(") && name.ends_with(").mp3")) {
            ++marked;
            EXPECT_EQ(readFile(entry.path()), audioOf(2));
        }
    }
    EXPECT_EQ(marked, 1);
}

} // namespace
} // namespace tb::test
