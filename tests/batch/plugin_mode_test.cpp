// The plug-in path: the switch that releases the helper into the current folder, and a
// batch that hands every ticked row to a helper process of its own.

#include "batch/plugin_handoff.h"
#include "batch_fixture.h"
#include "catalogue/song_detail.h"
#include "data/local_text.h"
#include "plugin/path_codec.h"
#include "plugin/plugin_records.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <set>
#include <thread>
#include <unistd.h>

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

// A child process of this test, as /proc shows it.
struct Child {
    pid_t pid = 0;
    bool zombie = false;
    std::vector<std::string> arguments; // its command line, the program first
};

std::vector<Child> childrenOfThisProcess() {
    std::vector<Child> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // "pid (comm) state ppid ...": the name may hold blanks, so read after its ")".
        const std::string stat = ReadFileBytes(entry.path() / "stat");
        const std::size_t close = stat.rfind(')');
        char state = 0;
        int parent = 0;
        if (close == std::string::npos ||
            std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) != 2 ||
            parent != ::getpid()) {
            continue;
        }
        Child child{std::stoi(name), state == 'Z', {}};
        const std::string commandLine = ReadFileBytes(entry.path() / "cmdline");
        for (std::size_t start = 0; start < commandLine.size();) {
            const std::size_t end = commandLine.find('\0', start);
            child.arguments.push_back(commandLine.substr(start, end - start));
            start = end == std::string::npos ? commandLine.size() : end + 1;
        }
        children.push_back(std::move(child));
    }
    return children;
}

// Helpers of this test that are still running (zombies are not).
std::vector<Child> runningHelpers() {
    std::vector<Child> helpers;
    for (Child& child : childrenOfThisProcess()) {
        if (!child.zombie && !child.arguments.empty() &&
            fs::path(child.arguments[0]).filename() == "batchget") {
            helpers.push_back(std::move(child));
        }
    }
    return helpers;
}

// The log's records, each with its CR LF.
std::multiset<std::string> recordsOf(const fs::path& log) {
    const std::string text = ReadFileBytes(log);
    std::multiset<std::string> records;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 2;
        records.insert(text.substr(start, next - start));
        start = next;
    }
    return records;
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

TEST_F(BatchTest, HelpersBeyondTheBoundWaitTheirTurnAndEverySongArrivesWithItsRecord) {
    InFolder inside(m_folder.path());
    batch::ReleasePlugin([] { return std::optional<std::string>(builtHelper()); });
    constexpr int kSongs = 7;
    constexpr int kBound = 3;
    std::vector<TestSong> songs;
    for (int i = 0; i < kSongs; ++i) {
        songs.push_back({"歌 " + std::to_string(i), 120000});
    }
    listSongs(songs, "slow"); // nginx sends each connection at 64 KB/s
    controls.pluginTicked = true;

    std::atomic<bool> batchRunning = true;
    std::atomic<std::size_t> peak = 0;
    std::thread sampler([&] {
        while (batchRunning) {
            peak = std::max(peak.load(), runningHelpers().size());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    runBatch(kBound);
    for (int row = 0; row < kSongs; ++row) {
        EXPECT_EQ(list.cell(row, kColProgress), L("回调已启动")) << row;
        EXPECT_EQ(list.cell(row, kColStatus), L("未知状态~")) << row;
        EXPECT_FALSE(list.isTicked(row)) << row;
    }
    lastBatch().waitForHelpers();
    batchRunning = false;
    sampler.join();

    EXPECT_LE(peak.load(), static_cast<std::size_t>(kBound));
    EXPECT_GE(peak.load(), 2u); // the sampler did see helpers running side by side
    for (const Child& child : childrenOfThisProcess()) {
        EXPECT_FALSE(child.zombie) << child.pid; // every helper was reaped
    }
    std::multiset<std::string> expected;
    for (int row = 0; row < kSongs; ++row) {
        const std::string target = controls.folder + L(songs[row].name + ".mp3");
        EXPECT_EQ(readFile(LocalToUtf8(target)), audioOf(row)) << row;
        std::string image;
        std::string lyrics;
        expected.insert(
            plugin::OkRecord(target, ResolveSongDetail(list.cell(row, kColUrl), image, lyrics)));
        EXPECT_EQ(list.cell(row, kColStatus), L("未知状态~")) << row;
    }
    EXPECT_EQ(recordsOf(saveFolder() / "下载信息.TXT"), expected);
    EXPECT_FALSE(fs::exists(saveFolder() / "错误信息.TXT"));
}

TEST_F(BatchTest, SongWhoseHelperIsKilledOrCannotStartGetsAnErrorRecordAndAFailedRow) {
    InFolder inside(m_folder.path());
    batch::ReleasePlugin([] { return std::optional<std::string>(builtHelper()); });
    listSongs({{"长歌", 400000}, {"短歌", 20000}}, "slow");
    controls.pluginTicked = true;
    const fs::path errorLog = saveFolder() / "错误信息.TXT";
    runBatch();

    // The long song's helper is killed half-way (part of it in its temporary file); the
    // short one ends in order.
    const auto receiving = [this] {
        for (const auto& entry : fs::directory_iterator(saveFolder())) {
            if (entry.path().extension() == ".part" && entry.file_size() > 0) {
                return true;
            }
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!receiving() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::string longTarget = controls.folder + L("长歌.mp3");
    std::string killedUrl;
    for (const Child& helper : runningHelpers()) {
        if (helper.arguments.size() == 3 &&
            plugin::DecodePluginPath(L(helper.arguments[1])) == longTarget) {
            killedUrl = L(helper.arguments[2]);
            ::kill(helper.pid, SIGKILL);
        }
    }
    ASSERT_FALSE(killedUrl.empty());
    lastBatch().waitForHelpers();
    EXPECT_EQ(recordsOf(errorLog),
              std::multiset<std::string>{plugin::ErrorRecord(longTarget, killedUrl)});
    EXPECT_EQ(list.cell(0, kColStatus), L("出错任务"));
    EXPECT_EQ(list.cell(1, kColStatus), L("未知状态~"));
    EXPECT_EQ(readFile(saveFolder() / "短歌.mp3"), audioOf(1));
    EXPECT_FALSE(fs::exists(saveFolder() / "长歌.mp3"));

    // Without the helper program nothing can start: the record and the row say so at once.
    fs::remove("batchget");
    list.setTicked(1, true);
    runBatch();
    std::string image;
    std::string lyrics;
    const std::string playUrl = ResolveSongDetail(list.cell(1, kColUrl), image, lyrics);
    EXPECT_EQ(recordsOf(errorLog),
              (std::multiset<std::string>{
                  plugin::ErrorRecord(longTarget, killedUrl),
                  plugin::ErrorRecord(controls.folder + L("短歌.mp3"), playUrl)}));
    EXPECT_EQ(list.cell(1, kColProgress), L("回调已启动"));
    EXPECT_EQ(list.cell(1, kColStatus), L("出错任务"));
    EXPECT_FALSE(list.isTicked(1));
}

} // namespace
} // namespace tb::test
