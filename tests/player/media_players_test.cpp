// The streaming and the local player on the real media back end: demo songs from the
// stand-in over loopback and from files.

#include "player_fixture.h"

#include "platform/file_system.h"

#include <QTest>

#include <algorithm>

namespace tb::test {
namespace {

class MediaPlayersTest : public PlayerTest {
protected:
    std::string audioAddress(const std::string& hash) const {
        return base + "/audio/" + hash + ".mp3";
    }
    // The demo song's audio as a file in the temporary folder.
    std::string audioFile(const std::string& hash) {
        const std::string path = temporaryFolder() + hash + ".mp3";
        EXPECT_TRUE(platform::WriteWholeFile(path, demoSong(hash).audio));
        return path;
    }
};

TEST_F(MediaPlayersTest, OpenedStreamReportsItsLengthAndAdvances) {
    EXPECT_EQ(media->positionMs(), -1); // nothing open
    ASSERT_TRUE(media->open(audioAddress(kHelloWorld)));
    media->play(0);
    const long long length = media->lengthMs();
    EXPECT_GT(length, 12000);
    EXPECT_LT(length, 13000);
    EXPECT_EQ(media->lengthSeconds(), length / 1000);
    EXPECT_TRUE(waitFor([&] { return media->positionMs() > 500; }, 5000));

    media->stop();
    EXPECT_TRUE(waitFor([&] { return media->positionMs() == 0; }, 2000));
    media->play(6000); // from a position
    EXPECT_TRUE(waitFor([&] { return media->positionMs() > 6000; }, 5000));
    EXPECT_LT(media->positionMs(), 9000);

    media->close();
    EXPECT_EQ(media->positionMs(), -1);
    EXPECT_EQ(media->lengthMs(), 0);
}

TEST_F(MediaPlayersTest, WhatCannotBePlayedFailsToOpen) {
    EXPECT_FALSE(media->open(""));
    EXPECT_FALSE(media->open("http://127.0.0.1:9/song.mp3")); // nobody listens there
    EXPECT_FALSE(media->open(temporaryFolder() + "missing.mp3"));
    const std::string html = temporaryFolder() + "page.mp3";
    ASSERT_TRUE(platform::WriteWholeFile(html, "<html><body>not a song</body></html>"));
    EXPECT_FALSE(media->open(html));
    EXPECT_EQ(media->positionMs(), -1);
    // A song file opens like a stream.
    EXPECT_TRUE(media->open(audioFile(kRainyRoad)));
}

TEST_F(MediaPlayersTest, VolumesOutsideTheRangeAreIgnored) {
    media->setVolume(70, 70);
    EXPECT_FLOAT_EQ(media->outputVolume(), 0.7f);
    media->setVolume(150, -1);
    EXPECT_EQ(media->leftVolume(), 70);
    EXPECT_EQ(media->rightVolume(), 70);
    media->setVolume(0, 100); // one volume for both channels: their mean
    EXPECT_FLOAT_EQ(media->outputVolume(), 0.5f);
}

TEST_F(MediaPlayersTest, LocalPlayerReportsWholePercentagesUpToTheEnd) {
    std::vector<int> reports;
    local->play(audioFile(kHelloWorld), 85, [&](int percent) { reports.push_back(percent); });
    ASSERT_TRUE(waitFor([&] { return !reports.empty() && reports.back() == 100; }, 8000));
    EXPECT_GE(reports.front(), 85); // started from 85 %
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(std::count(reports.begin(), reports.end(), 100), 1);
    EXPECT_FALSE(local->playing());
}

TEST_F(MediaPlayersTest, LocalPlayerEndsAtOnceOnAFileItCannotPlayAndStaysQuietWhenStopped) {
    std::vector<int> missing;
    local->play(temporaryFolder() + "missing.mp3", 0,
                [&](int percent) { missing.push_back(percent); });
    EXPECT_TRUE(missing.empty()); // reports come through the event loop, never inside play
    ASSERT_TRUE(waitFor([&] { return !missing.empty(); }, 5000));
    EXPECT_EQ(missing, std::vector<int>{100});

    std::vector<int> stopped;
    local->play(audioFile(kHelloWorld), 0, [&](int percent) { stopped.push_back(percent); });
    ASSERT_TRUE(waitFor([&] { return !stopped.empty(); }, 5000));
    local->stop();
    const std::size_t before = stopped.size();
    QTest::qWait(600);
    EXPECT_EQ(stopped.size(), before);
    EXPECT_FALSE(local->playing());
}

} // namespace
} // namespace tb::test
