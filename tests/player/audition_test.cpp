// The audition over plain controls: the demo songs from the stand-in, played through the
// real media back end, with the page's real one-second timer.

#include "player_fixture.h"

#include "data/local_text.h"
#include "platform/file_system.h"
#include "player/audition_rules.h"

#include <QTest>

#include <algorithm>

namespace tb::test {
namespace {

using player::AuditionMode;

const std::string kEnded = L("播放结束 重新选择");
const std::string kNoAddress = L("无效地址，无法播放");

// The lyric texts of an LRC file, in order, without their tags.
std::vector<std::string> lyricTexts(const std::string& lrc) {
    std::vector<std::string> texts;
    for (const std::string& line : player::SplitLyricLines(lrc)) {
        if (line.size() > 10 && line[1] >= '0' && line[1] <= '9') {
            texts.push_back(line.substr(10) + "\r\n");
        }
    }
    return texts;
}

bool isSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    auto next = whole.begin();
    for (const std::string& item : part) {
        next = std::find(next, whole.end(), item);
        if (next == whole.end()) {
            return false;
        }
        ++next;
    }
    return true;
}

TEST_F(PlayerTest, DoubleClickPlaysTheSongWithItsCoverNameLyricsAndLength) {
    const int row = addDemoRow(kHelloWorld);
    ASSERT_TRUE(platform::WriteWholeFile(temporaryFolder() + "dy.mp3", "old"));
    doubleClick(row);

    EXPECT_EQ(audition->mode(), AuditionMode::Streaming);
    EXPECT_EQ(audition->currentRow(), row);
    EXPECT_FALSE(page.suggestionsShown);
    EXPECT_EQ(page.name, L("Mixed Case - Hello World"));
    EXPECT_EQ(page.picture, demoSong(kHelloWorld).cover);
    EXPECT_EQ(audition->lyricLines(), player::SplitLyricLines(demoSong(kHelloWorld).lyrics));
    EXPECT_EQ(page.timeText(), L("总时间[00:12]"));
    EXPECT_EQ(page.timerInterval(), 1000);
    EXPECT_EQ(page.volumeText, player::VolumeLabelText(100));
    EXPECT_FALSE(platform::FileExists(temporaryFolder() + "dy.mp3"));

    // The ticks move the slider and count the time down.
    ASSERT_TRUE(waitFor([&] { return page.slider >= 20; }, 6000));
    EXPECT_LT(page.slider, 60);
    const std::string time = page.timeText();
    EXPECT_EQ(time.rfind(L("总时间[00:12] - 剩余时间[00:"), 0), 0u) << LocalToUtf8(time);
    EXPECT_NE(time, L("总时间[00:12] - 剩余时间[00:12]"));
}

TEST_F(PlayerTest, ASongPlaysToItsEndWithLyricsComingDueInOrderThenARandomRowPlaysOn) {
    const int first = addDemoRow(kHelloWorld);
    addDemoRow(kRainyRoad);
    page.randomNext = true;
    doubleClick(first);
    ASSERT_EQ(audition->mode(), AuditionMode::Streaming);

    ASSERT_TRUE(waitFor([&] { return page.modes.size() >= 2; }, 20000)) << "no next song";
    // The first song ended: its end was shown, its lyrics came in order without tags.
    EXPECT_NE(std::find(page.timeTexts.begin(), page.timeTexts.end(), kEnded),
              page.timeTexts.end());
    const std::vector<std::string> lines = lyricTexts(demoSong(kHelloWorld).lyrics);
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> appended = page.appended;
    EXPECT_GE(appended.size(), 2u); // a line may miss its second when a tick comes late
    EXPECT_TRUE(isSubsequence(appended, lines)) << LocalToUtf8(page.lyrics);
    // ...and a random row of the two plays on.
    ASSERT_EQ(list.selections.size(), 2u);
    EXPECT_LT(list.selections.back(), 2);
    EXPECT_EQ(page.name, list.cell(list.selections.back(), kColName));
    EXPECT_EQ(page.timerInterval(), 1000);
    EXPECT_EQ(list.focusCount(), 1);
    EXPECT_EQ(list.lastVisible(), list.selections.back());
}

TEST_F(PlayerTest, TheEndWithoutRandomPlayStopsTheTimerAndSaysSo) {
    const int row = addDemoRow(kRainyRoad);
    doubleClick(row);
    ASSERT_TRUE(waitFor([&] { return page.timeText() == kEnded; }, 20000));
    EXPECT_EQ(page.slider, 100);
    EXPECT_EQ(page.timerInterval(), 0);
    EXPECT_EQ(list.selections.size(), 1u); // nothing else was chosen
}

TEST_F(PlayerTest, RowWithoutPlayUrlSaysSoAndLeavesThePlayingSongAlone) {
    const int playing = addDemoRow(kHelloWorld);
    const int silent = addRowWithoutAudio();
    doubleClick(playing);
    const std::vector<std::string> timesBefore = page.timeTexts;
    doubleClick(silent);

    EXPECT_EQ(list.cell(silent, kColStatus), kNoAddress);
    EXPECT_EQ(list.cell(playing, kColStatus), "");
    EXPECT_EQ(page.name, L("Mixed Case - Hello World"));
    EXPECT_EQ(page.timeTexts, timesBefore);
    EXPECT_EQ(page.timerInterval(), 1000);
    const long long position = media->positionMs();
    EXPECT_TRUE(waitFor([&] { return media->positionMs() > position + 300; }, 3000));
}

TEST_F(PlayerTest, RandomPlayGivesUpWhenNoRowCanBePlayed) {
    page.randomNext = true;
    {
        SCOPED_TRACE("five rows");
        for (int i = 0; i < 5; ++i) {
            addRowWithoutAudio();
        }
        server->clearRequestLog();
        doubleClick(2);
        EXPECT_EQ(server->requestLog().size(), 5u); // the double-click and four random rows
        EXPECT_EQ(audition->consecutiveFailures(), 5);
        for (int row : list.selections) {
            EXPECT_GE(row, 0);
            EXPECT_LT(row, 5);
        }
    }
    {
        SCOPED_TRACE("thirty rows: at most twenty tries");
        for (int i = 0; i < 25; ++i) {
            addRowWithoutAudio();
        }
        server->clearRequestLog();
        doubleClick(0);
        EXPECT_EQ(server->requestLog().size(), 20u);
    }
    {
        SCOPED_TRACE("an empty list");
        list.clearRows();
        audition->PlayRandomRow();
        EXPECT_EQ(list.selectedRow(), -1);
    }
}

TEST_F(PlayerTest, StreamThatCannotOpenFallsBackToALocalCopyInsideTheTemporaryFolder) {
    const int row = addDemoRow(kHelloWorld);
    list.setCell(row, kColName, L("../逃走/a:b"));
    // The media player's request gets an error page; the copy's request then succeeds.
    server->setFaults({.status500 = true, .pathPrefix = "/audio/", .count = 1});
    doubleClick(row);

    EXPECT_EQ(audition->mode(), AuditionMode::Local);
    const std::string copy = temporaryFolder() + L(".._逃走_a_b.mp3");
    EXPECT_EQ(platform::ReadWholeFile(copy).value_or(""), demoSong(kHelloWorld).audio);
    EXPECT_FALSE(platform::FileExists(temporaryFolder() + L("../逃走/a:b.mp3")));
    EXPECT_EQ(page.timeText(), L("总时间[00:12]"));
    EXPECT_EQ(page.timerInterval(), 1000);

    // The local player's reports drive the slider and the ticks the time; the lyrics box
    // shows the notice. (Under load the first tick may come after the slider's 10 %.)
    const auto counting = [&] {
        return page.timeText().rfind(L("总时间[00:12] - 剩余时间["), 0) == 0;
    };
    ASSERT_TRUE(waitFor([&] { return page.slider >= 10 && counting(); }, 8000))
        << page.slider << " " << LocalToUtf8(page.timeText());
    EXPECT_EQ(page.lyrics, L("暂时不显示歌词！本地时间播放有问题！\r\n    现在显示为 整数 "
                             "无法绝对控制！\r\n  音量控制暂时关闭！"));
    EXPECT_TRUE(std::is_sorted(page.localReports.begin(), page.localReports.end()));
}

TEST_F(PlayerTest, LocalSongEndsWhenTheLocalPlayerReportsTheEnd) {
    const int row = addDemoRow(kHelloWorld);
    server->setFaults({.status500 = true, .pathPrefix = "/audio/", .count = 1});
    doubleClick(row);
    ASSERT_EQ(audition->mode(), AuditionMode::Local);
    page.slider = 90; // the user drags the slider near the end
    audition->SeekAudition();
    ASSERT_TRUE(waitFor([&] { return page.timeText() == kEnded; }, 8000));
    EXPECT_EQ(page.localReports.back(), 100);
    EXPECT_GE(page.localReports.front(), 90);
}

TEST_F(PlayerTest, SeekingToHalfPlaysFromTheMiddle) {
    const int row = addDemoRow(kMorningSong);
    doubleClick(row);
    ASSERT_EQ(audition->mode(), AuditionMode::Streaming);
    page.slider = 50;
    audition->SeekAudition();
    const long long half = media->lengthMs() / 2;
    ASSERT_TRUE(waitFor([&] { return media->positionMs() >= half; }, 5000));
    EXPECT_LT(media->positionMs(), half + 3000);
}

TEST_F(PlayerTest, VolumeSliderAtThirtyGivesVolumeSeventy) {
    page.volumeSlider = 30;
    audition->ApplyVolume();
    EXPECT_EQ(media->leftVolume(), 70);
    EXPECT_EQ(media->rightVolume(), 70);
    EXPECT_FLOAT_EQ(media->outputVolume(), 0.7f);
    EXPECT_EQ(page.volumeText, L("70%\r\n\r\n\r\n\r\n\r\n\r\n音量"));
}

TEST_F(PlayerTest, StopAndCloseSilenceBothPlayersAndCloseLeavesTheProgramRunning) {
    const int row = addDemoRow(kHelloWorld);
    doubleClick(row);
    ASSERT_TRUE(waitFor([&] { return media->positionMs() > 200; }, 5000));
    audition->StopAudition();
    EXPECT_EQ(page.timerInterval(), 0);
    EXPECT_TRUE(waitFor([&] { return media->positionMs() == 0; }, 2000));

    local->play(temporaryFolder() + "none.mp3", 0, [](int) {});
    ASSERT_TRUE(platform::WriteWholeFile(temporaryFolder() + "dy.mp3", "old"));
    audition->CloseAudition();
    EXPECT_FALSE(platform::FileExists(temporaryFolder() + "dy.mp3"));
    EXPECT_FALSE(local->playing());
    EXPECT_EQ(qtPlayer.playbackState(), QMediaPlayer::StoppedState);
}

TEST_F(PlayerTest, SlowDetailRequestIsSupersededByASecondDoubleClick) {
    const int first = addDemoRow(kHelloWorld);
    const int second = addDemoRow(kRainyRoad);
    server->setFaults({.delayMs = 1500, .pathPrefix = "/yy/", .count = 1});
    std::vector<std::string> requestsBeforeSecond;
    QTimer::singleShot(200, [&] {
        requestsBeforeSecond = server->requestLog();
        doubleClick(second);
    });
    doubleClick(first);

    // The second double-click came while the first song's detail request still waited.
    ASSERT_EQ(requestsBeforeSecond.size(), 1u);
    EXPECT_EQ(requestsBeforeSecond[0].rfind(
                  std::string("/yy/index.php?r=play/getdata&hash=") + kHelloWorld, 0),
              0u);
    // Only the second song plays; the first one fetched nothing more and set nothing.
    EXPECT_EQ(audition->currentRow(), second);
    EXPECT_EQ(page.name, L("Rain Maker - Rainy Road"));
    EXPECT_EQ(audition->lyricLines(), player::SplitLyricLines(demoSong(kRainyRoad).lyrics));
    EXPECT_EQ(page.picture, demoSong(kRainyRoad).cover);
    EXPECT_EQ(page.modes.size(), 1u);
    EXPECT_EQ(page.timeTexts,
              std::vector<std::string>{player::TotalTimeText(media->lengthSeconds())});
    for (const std::string& target : server->requestLog()) {
        EXPECT_EQ(target.find(std::string("/cover/") + kHelloWorld), std::string::npos);
        EXPECT_EQ(target.find(std::string("/audio/") + kHelloWorld), std::string::npos);
    }
    EXPECT_TRUE(waitFor([&] { return media->positionMs() > 200; }, 5000));
}

} // namespace
} // namespace tb::test
