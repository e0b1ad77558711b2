// The audition's time, lyric, volume and naming rules, without media.

#include "data/local_text.h"
#include "player/audition_rules.h"

#include <gtest/gtest.h>

namespace tb::player {
namespace {

std::string L(const char* utf8) {
    return Utf8ToLocal(utf8);
}

TEST(AuditionRules, TimeTextsShowTheTotalAndTheRemainingTimeInWholeSeconds) {
    EXPECT_EQ(TotalTimeText(245), L("总时间[04:05]"));
    EXPECT_EQ(TotalTimeText(0), L("总时间[00:00]"));
    EXPECT_EQ(TotalAndRemainingText(245, 0.0), L("总时间[04:05] - 剩余时间[04:05]"));
    // 20 - 10.52 = 9.48 seconds left: truncated, not rounded.
    EXPECT_EQ(TotalAndRemainingText(20, 10.52), L("总时间[00:20] - 剩余时间[00:09]"));
    EXPECT_EQ(TotalAndRemainingText(12, 12.0), L("总时间[00:12] - 剩余时间[00:00]"));
    EXPECT_EQ(TotalAndRemainingText(3600, 0.5), L("总时间[60:00] - 剩余时间[59:59]"));
}

TEST(AuditionRules, ProgressIsThePlayedPercentTruncatedTowardZero) {
    EXPECT_DOUBLE_EQ(PlayedFraction(6191, 12382), 0.5);
    EXPECT_DOUBLE_EQ(PlayedFraction(5000, 0), 0.0); // length not known
    EXPECT_DOUBLE_EQ(PlayedFraction(-1, 12382), -1.0 / 12382);
    EXPECT_EQ(ProgressPercent(0.5), 50);
    EXPECT_EQ(ProgressPercent(0.999), 99);
    EXPECT_EQ(ProgressPercent(1.0), 100);
    EXPECT_EQ(ProgressPercent(-0.0001), 0); // a failed position reads as the start
    EXPECT_EQ(ProgressPercent(PlayedFraction(12382, 12382)), 100);
}

TEST(AuditionRules, LyricLineIsAppendedWithoutItsTagWhenItsSecondComes) {
    const std::string line = "[01:02.50]Hello";
    EXPECT_TRUE(LyricLineIsDue(line, 62.0));
    EXPECT_TRUE(LyricLineIsDue(line, 62.99)); // the elapsed time reads 01:02
    EXPECT_FALSE(LyricLineIsDue(line, 61.99));
    EXPECT_FALSE(LyricLineIsDue(line, 63.0));
    EXPECT_EQ(LyricBoxText(line), "Hello\r\n");

    // Anywhere in the line counts, and the first 10 bytes go whatever they are.
    EXPECT_TRUE(LyricLineIsDue("[ar:01:02]", 62.0));
    EXPECT_EQ(LyricBoxText("[ar:x]"), "\r\n");
    const std::string chinese = L("[00:01.50]清晨的光");
    EXPECT_TRUE(LyricLineIsDue(chinese, 1.2));
    EXPECT_EQ(LyricBoxText(chinese), L("清晨的光\r\n"));
}

TEST(AuditionRules, LyricsAreSplitAtCrLf) {
    EXPECT_EQ(SplitLyricLines("[00:01.00]a\r\n[00:02.00]b\r\n"),
              (std::vector<std::string>{"[00:01.00]a", "[00:02.00]b", ""}));
    EXPECT_EQ(SplitLyricLines("one\ntwo"), (std::vector<std::string>{"one\ntwo"}));
    EXPECT_EQ(SplitLyricLines(""), (std::vector<std::string>{""}));
}

TEST(AuditionRules, VolumeIsOneHundredMinusTheSliderAboveTheWordVolume) {
    EXPECT_EQ(VolumeFromSlider(30), 70);
    EXPECT_EQ(VolumeFromSlider(0), 100);
    EXPECT_EQ(VolumeFromSlider(100), 0);
    EXPECT_EQ(VolumeLabelText(70), L("70%\r\n\r\n\r\n\r\n\r\n\r\n音量"));
}

TEST(AuditionRules, LocalCopyStaysInsideTheTemporaryFolder) {
    EXPECT_EQ(LocalCopyPath("/tmp/", "Song"), "/tmp/Song.mp3");
    EXPECT_EQ(LocalCopyPath("/tmp/", "../x"), "/tmp/.._x.mp3");
    EXPECT_EQ(LocalCopyPath("/tmp/", "a/b"), "/tmp/a_b.mp3");
    EXPECT_EQ(LocalCopyPath("/tmp/", "/etc/passwd"), "/tmp/_etc_passwd.mp3");
    EXPECT_EQ(LocalCopyPath("/tmp/", "Yes/No? Maybe"), "/tmp/Yes_No_ Maybe.mp3");
    EXPECT_EQ(LocalCopyPath("/tmp/", L("夜空之下")), "/tmp/" + L("夜空之下") + ".mp3");
}

TEST(AuditionRules, RandomRowIsNeverBeyondTheLastRow) {
    std::mt19937 random(7);
    std::vector<int> seen(7, 0);
    for (int i = 0; i < 2000; ++i) {
        const int row = PickRandomRow(7, random);
        ASSERT_GE(row, 0);
        ASSERT_LT(row, 7);
        ++seen[row];
    }
    for (int count : seen) {
        EXPECT_GT(count, 0); // every row can come up
    }
    EXPECT_EQ(PickRandomRow(1, random), 0);
}

TEST(AuditionRules, RandomPlayGivesUpAfterAsManyFailuresAsRowsAtMostTwenty) {
    EXPECT_EQ(RandomFailureLimit(0), 0);
    EXPECT_EQ(RandomFailureLimit(1), 1);
    EXPECT_EQ(RandomFailureLimit(12), 12);
    EXPECT_EQ(RandomFailureLimit(20), 20);
    EXPECT_EQ(RandomFailureLimit(5000), 20);
}

} // namespace
} // namespace tb::player
