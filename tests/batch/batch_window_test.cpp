// The download area of the real main window, offscreen: 下载选中歌曲, the plug-in switch and
// the download options of the popup menu work on the window's own controls, list and worker.

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/download_menu.h"
#include "app/main_window.h"
#include "catalogue/catalogue_addresses.h"
#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "download/nginx_server.h"
#include "layout/download_options.h"
#include "standin_server.h"
#include "support/child_process.h"
#include "support/tag_readback.h"
#include "support/test_files.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace tb::app::test {
namespace {

namespace fs = std::filesystem;
using platform::PromptAnswer;

class BatchWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(nginx.running()) << nginx.problem();
        standin::SongCatalogue catalogue;
        for (const char* name : {"晴天 - 一路向北", "Rain/Wind"}) {
            standin::StandinSong song;
            song.name = name;
            song.hash = catalogue.songs().empty() ? "C0000000000000000000000000000001"
                                                  : "C0000000000000000000000000000002";
            song.albumId = "9";
            song.generatedAudioSize = 50000 + catalogue.songs().size() * 999;
            audio.push_back(song.audioBytes(0, song.audioSize()));
            nginx.addFile("audio/" + song.hash + ".mp3", audio.back());
            catalogue.addSong(song);
        }
        songs = catalogue.songs();
        standin = std::make_unique<standin::StandinServer>(catalogue);
        ASSERT_GT(standin->start(0), 0);
        standin->setAudioBase(nginx.url(""));
    }
    void TearDown() override {
        standin->stop();
        AppTest::TearDown();
    }

    void listSongs(MainWindow& window) {
        ResultList& list = window.resultList();
        list.clearRows();
        for (const standin::StandinSong& song : songs) {
            const int row = list.appendRow();
            list.setCell(row, kColName, Utf8ToLocal(song.name));
            list.setCell(row, kColUrl,
                         PlayInfoAddress(standin->baseAddress(), song.hash, song.albumId));
            list.setCell(row, kColRawBytes, std::to_string(song.audioSize()));
            list.setTicked(row, true);
        }
    }

    tb::test::NginxServer nginx;
    tb::test::ScratchFolder scratch;
    std::unique_ptr<standin::StandinServer> standin;
    std::vector<standin::StandinSong> songs;
    std::vector<std::string> audio;
};

TEST_F(BatchWindowTest, DownloadButtonAndPluginSwitchWorkOnTheWindowsControls) {
    fs::create_directories(scratch.path() / "elsewhere");
    tb::test::InFolder inside(scratch.path() / "elsewhere");
    MainWindow window;
    InitDownloadEngine(window.resultList(), 20480, 0, 0);
    listSongs(window);
    const fs::path internal = scratch.path() / "内部";
    window.编辑框_保存目录->setText(QString::fromStdString(internal.string()));
    auto prompt = std::make_shared<ScriptedPrompt>(
        std::deque<PromptAnswer>{PromptAnswer::Yes, PromptAnswer::Ok});
    platform::setPrompt(prompt);

    window.按钮_下载->click();
    EXPECT_EQ(window.编辑框_保存目录->text(), QString::fromStdString(internal.string() + "/"));
    EXPECT_EQ(tb::test::ReadFileBytes(internal / "晴天 - 一路向北.mp3"), audio[0]);
    EXPECT_EQ(tb::test::ReadFileBytes(internal / "Rain_Wind.mp3"), audio[1]);
    ResultList& list = window.resultList();
    for (int row = 0; row < 2; ++row) {
        EXPECT_FALSE(list.isTicked(row));
        EXPECT_EQ(list.cell(row, kColStatus), Utf8ToLocal("下载完成"));
    }
    ASSERT_EQ(prompt->asked.size(), 2u);

    // The switch writes out the helper the program carries, into the current folder.
    prompt = std::make_shared<ScriptedPrompt>(
        std::deque<PromptAnswer>{PromptAnswer::Ok, PromptAnswer::Yes, PromptAnswer::Ok});
    platform::setPrompt(prompt);
    window.选择框1->click();
    ASSERT_TRUE(window.选择框1->isChecked());
    const int mode = tb::test::FileMode("batchget");
    ASSERT_NE(mode, -1);
    EXPECT_EQ(mode & 0777, 0755);
    EXPECT_EQ(tb::test::RunProcess("./batchget", {"only one argument"}), 0);

    const fs::path helped = scratch.path() / "助手";
    window.编辑框_保存目录->setText(QString::fromStdString(helped.string()));
    list.setTicked(0, true);
    list.setTicked(1, true);
    window.按钮_下载->click();
    for (int row = 0; row < 2; ++row) {
        EXPECT_FALSE(list.isTicked(row));
        EXPECT_EQ(list.cell(row, kColStatus), Utf8ToLocal("未知状态~"));
    }
    EXPECT_TRUE(waitFor(
        [&] { return tb::test::ReadFileBytes(helped / "Rain_Wind.mp3") == audio[1]; }, 60000));
    EXPECT_TRUE(
        waitFor([&] { return tb::test::ReadFileBytes(helped / "晴天 - 一路向北.mp3") == audio[0]; },
                60000));
    ReleaseDownloadEngine();
}

TEST_F(BatchWindowTest, DownloadOptionsOfThePopupMenuAreRememberedAndReachTheDownload) {
    const std::string optionsFile = DownloadOptionsFilePath();
    ASSERT_FALSE(optionsFile.empty());
    const fs::path optionsPath = LocalToUtf8(optionsFile);
    fs::remove(optionsPath);
    {
        MainWindow window;
        LoadDownloadOptions(window);
        // Off by default, and shown as switches.
        for (QAction* option : {window.写入歌曲标签, window.保存歌词文件}) {
            EXPECT_TRUE(option->isCheckable());
            EXPECT_FALSE(option->isChecked());
        }
        window.写入歌曲标签->trigger();
        EXPECT_EQ(layout::LoadDownloadOptions(optionsFile), (layout::DownloadOptions{true, false}));
    }

    MainWindow window;
    LoadDownloadOptions(window);
    EXPECT_TRUE(window.写入歌曲标签->isChecked());
    EXPECT_FALSE(window.保存歌词文件->isChecked());
    InitDownloadEngine(window.resultList(), 20480, 0, 0);
    listSongs(window);
    const fs::path folder = scratch.path() / "标签";
    window.编辑框_保存目录->setText(QString::fromStdString(folder.string() + "/"));
    platform::setPrompt(std::make_shared<ScriptedPrompt>(
        std::deque<PromptAnswer>{PromptAnswer::Yes, PromptAnswer::Ok}));
    window.按钮_下载->click();
    const tb::test::ReadBackTag tag = tb::test::ReadTagOf(folder / "晴天 - 一路向北.mp3");
    EXPECT_EQ(tag.title, "一路向北");
    EXPECT_EQ(tag.artist, "晴天");
    EXPECT_EQ(tag.audio, audio[0]);
    EXPECT_FALSE(fs::exists(folder / "晴天 - 一路向北.lrc"));
    ReleaseDownloadEngine();
    fs::remove(optionsPath);
}

} // namespace
} // namespace tb::app::test
