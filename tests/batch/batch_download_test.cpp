// The batch command: the question, the rows it downloads and how, the names the songs are
// saved under, and when it says it is done.

#include "batch_fixture.h"

#include "data/local_text.h"
#include "platform/disk_space.h"
#include "platform/events.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tb::test {
namespace {

namespace fs = std::filesystem;

// True for base + "(" + two capital letters + ").mp3".
bool isMarked(const std::string& file, const std::string& base) {
    const std::string rest = file.substr(std::min(base.size(), file.size()));
    return file.starts_with(base) && rest.size() == 8 && rest[0] == '(' && rest[1] >= 'A' &&
           rest[1] <= 'Z' && rest[2] >= 'A' && rest[2] <= 'Z' && rest.substr(3) == ").mp3";
}

// "123.45M" or "1.50G".
bool isSizeText(const std::string& text) {
    const std::size_t dot = text.find('.');
    const auto digits = [&](std::size_t from, std::size_t count) {
        return count > 0 && from + count <= text.size() &&
               text.substr(from, count).find_first_not_of("0123456789") == std::string::npos;
    };
    return dot != std::string::npos && digits(0, dot) && digits(dot + 1, 2) &&
           text.size() == dot + 4 && (text.back() == 'M' || text.back() == 'G');
}

bool containsFile(const std::vector<std::string>& files, const std::string& name) {
    return std::find(files.begin(), files.end(), name) != files.end();
}

TEST_F(BatchTest, SongsAreSavedUnderCleanedNamesAndNamesAlikeGetAMark) {
    listSongs({{"Song"}, {"Song"}, {"Song"}, {"AC/DC: Live?"}, {"Love Story"}, {"Love"}});
    runBatch();
    const std::vector<std::string> files = savedFiles();
    EXPECT_TRUE(containsFile(files, "Song.mp3"));
    EXPECT_TRUE(containsFile(files, "AC_DC_ Live_.mp3"));
    EXPECT_TRUE(containsFile(files, "Love Story.mp3"));
    // A name that is part of an earlier one counts as used.
    EXPECT_EQ(std::count_if(files.begin(), files.end(),
                            [](const std::string& f) { return isMarked(f, "Love"); }),
              1);
    // The second and the third "Song" each get a mark of their own; two equal draws (one
    // chance in 676) leave the third as "本地存在".
    const auto marks = std::count_if(files.begin(), files.end(),
                                     [](const std::string& f) { return isMarked(f, "Song"); });
    EXPECT_TRUE(marks == 2 || (marks == 1 && list.cell(2, kColStatus) == L("本地存在")));
    EXPECT_EQ(readFile(saveFolder() / "AC_DC_ Live_.mp3"), audioOf(3));
    EXPECT_EQ(readFile(saveFolder() / "Song.mp3"), audioOf(0));
    for (int row = 0; row < list.rowCount(); ++row) {
        EXPECT_FALSE(list.isTicked(row)) << row;
        EXPECT_TRUE(list.cell(row, kColStatus) == L("下载完成") ||
                    list.cell(row, kColStatus) == L("本地存在"))
            << row;
    }
    ASSERT_EQ(prompt->texts.size(), 2u);
    EXPECT_EQ(prompt->texts[1], L("执行完成；查看即可！！！！"));
}

TEST_F(BatchTest, QuestionShowsFreeSpaceAndTotalAndNoLeavesEveryRowAsItWas) {
    listSongs({{"One", 1048576}, {"Two", 2097152, "2097152"}, {"Three", 30000, "not a number"}});
    list.setTicked(2, false);
    prompt->answerYes = false;
    std::vector<std::vector<std::string>> before;
    for (int row = 0; row < list.rowCount(); ++row) {
        before.push_back({list.cell(row, kColProgress), list.cell(row, kColStatus)});
    }
    runBatch();
    ASSERT_EQ(prompt->texts.size(), 1u);
    const std::string& question = prompt->texts[0];
    const std::string folder = controls.folder;
    const std::string expectedStart =
        L("你要保存的磁盘(") + platform::MountPointOf(folder) + L(")剩余空间是：[");
    EXPECT_EQ(question.substr(0, expectedStart.size()), expectedStart);
    EXPECT_TRUE(question.ends_with(L("]\r\n你下载的文件一共有：[3.00M] 是否下载？"))) << question;
    const std::string freeText =
        question.substr(expectedStart.size(), question.find(']') - expectedStart.size());
    EXPECT_TRUE(isSizeText(freeText)) << freeText;
    for (int row = 0; row < list.rowCount(); ++row) {
        EXPECT_EQ(list.isTicked(row), row != 2);
        EXPECT_EQ(list.cell(row, kColProgress), before[row][0]);
        EXPECT_EQ(list.cell(row, kColStatus), before[row][1]);
    }
    EXPECT_TRUE(savedFiles().empty());
    EXPECT_EQ(playInfoRequests(), 0);
}

TEST_F(BatchTest, WithoutASizeToConfirmNothingIsAskedNorAnnouncedButRowsStillDownload) {
    {
        SCOPED_TRACE("nothing ticked");
        listSongs({{"Quiet"}});
        list.setTicked(0, false);
        runBatch();
        EXPECT_TRUE(prompt->texts.empty());
        EXPECT_EQ(playInfoRequests(), 0);
        EXPECT_TRUE(savedFiles().empty());
    }
    {
        SCOPED_TRACE("ticked rows without a size");
        const std::pair<const char*, const char*> rows[] = {
            {"Zero", "0"}, {"Empty", ""}, {"Letters", "abc"}};
        for (const auto& [name, size] : rows) {
            const int row = list.appendRow();
            list.setCell(row, kColName, name);
            list.setCell(row, kColUrl, list.cell(0, kColUrl));
            list.setCell(row, kColRawBytes, size);
            list.setTicked(row, true);
        }
        runBatch();
        EXPECT_TRUE(prompt->texts.empty());
        EXPECT_EQ(savedFiles(), (std::vector<std::string>{"Empty.mp3", "Letters.mp3", "Zero.mp3"}));
        EXPECT_EQ(readFile(saveFolder() / "Zero.mp3"), audioOf(0));
    }
}

TEST_F(BatchTest, RowWithoutAudioAddressShowsWrongAddressAndStaysTicked) {
    listSongs({{"Fine"}, {"Silent", 30000, "", false}});
    runBatch();
    EXPECT_EQ(list.cell(1, kColStatus), L("错误地址"));
    EXPECT_TRUE(list.isTicked(1));
    const std::vector<int> visible = list.visibleRows();
    EXPECT_NE(std::find(visible.begin(), visible.end(), 1), visible.end());
    EXPECT_EQ(list.cell(0, kColStatus), L("下载完成"));
    EXPECT_EQ(savedFiles(), std::vector<std::string>{"Fine.mp3"});
}

TEST_F(BatchTest, SaveFolderGetsItsSeparatorBackInTheBoxAndOneNewLevel) {
    listSongs({{"Here"}});
    const fs::path fresh = saveFolder() / "新的 folder";
    controls.folder = L(fresh.string());
    std::string folderWhenAsked;
    prompt->onAsk = [&](const std::string&) {
        if (folderWhenAsked.empty()) {
            folderWhenAsked = controls.folder;
        }
    };
    runBatch();
    EXPECT_EQ(folderWhenAsked, L(fresh.string() + "/"));
    EXPECT_EQ(controls.folder, L(fresh.string() + "/"));
    EXPECT_EQ(readFile(fresh / "Here.mp3"), audioOf(0));

    // Only one level is made: a folder two levels deep fails later, at the download.
    controls.folder = L((saveFolder() / "a" / "b").string());
    list.setTicked(0, true);
    runBatch();
    EXPECT_FALSE(fs::exists(saveFolder() / "a"));
    EXPECT_EQ(list.cell(0, kColStatus), L("出错任务"));
}

TEST_F(BatchTest, CompletionIsAnnouncedOnlyOnceTheLastSongIsComplete) {
    // The last song comes slowly (64 KB/s per connection): about two seconds.
    listSongs({{"Quick", 20000}, {"Slow", 400000}}, "slow");
    std::string lastStatus;
    std::string lastFile;
    prompt->onAsk = [&](const std::string& text) {
        if (text == L("执行完成；查看即可！！！！")) {
            lastStatus = list.cell(1, kColStatus);
            lastFile = readFile(saveFolder() / "Slow.mp3");
        }
    };
    runBatch();
    ASSERT_EQ(prompt->texts.size(), 2u);
    EXPECT_EQ(lastStatus, L("下载完成"));
    EXPECT_EQ(lastFile, audioOf(1));
}

// The window closes while the first song downloads: the program abandons its requests.
class ClosingAfterFirstStart : public batch::WorkerRowDownloader {
public:
    using WorkerRowDownloader::WorkerRowDownloader;
    void StartRowDownload(const std::string& playUrl, const std::string& targetPath, int row,
                          download::PublishStep publish) override {
        WorkerRowDownloader::StartRowDownload(playUrl, targetPath, row, std::move(publish));
        platform::AbandonWaitingRequests();
    }
};

TEST_F(BatchTest, EndingProgramStopsTheBatchAtItsNextStepWithoutAMessage) {
    listSongs({{"First"}, {"Second"}, {"Third"}});
    ClosingAfterFirstStart downloader(*worker, engine);
    batch::BatchDownload command({list, controls, downloader});
    command.DownloadTickedSongs();
    engine.waitUntilIdle();
    platform::ResumeRequests();
    EXPECT_EQ(savedFiles(), std::vector<std::string>{"First.mp3"});
    for (int row = 1; row < 3; ++row) {
        EXPECT_TRUE(list.isTicked(row));
        EXPECT_EQ(list.cell(row, kColStatus), "");
    }
    EXPECT_EQ(prompt->texts.size(), 1u); // the question only
}

} // namespace
} // namespace tb::test
