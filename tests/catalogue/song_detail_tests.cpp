// Song detail resolution against the stand-in's play-information endpoint.

#include "catalogue_fixture.h"

#include "catalogue/song_detail.h"

namespace tb::test {
namespace {

class SongDetailTest : public CatalogueTest {
protected:
    std::string resolve(const std::string& hash, const std::string& album) {
        return ResolveSongDetail(PlayInfoAddress(base, hash, album), image, lyrics);
    }
    std::string image = "old image";
    std::string lyrics = "old lyrics";
};

TEST_F(SongDetailTest, FullReplyGivesAudioImageAndLyrics) {
    const std::string hash = "A0000000000000000000000000000003";
    EXPECT_EQ(resolve(hash, "503"), base + "/audio/" + hash + ".mp3");
    EXPECT_EQ(image, base + "/cover/" + hash + ".jpg");
    EXPECT_EQ(lyrics, L("[00:01.00]line one\r\n[00:02.50]第二行\r\n"));

    const SongDetail detail = ResolveSongDetailValue(PlayInfoAddress(base, hash, "503"));
    EXPECT_TRUE(detail.parsed);
    EXPECT_EQ(detail.playUrl, base + "/audio/" + hash + ".mp3");
    EXPECT_EQ(detail.songName, L("抖音 - 夜空"));
    EXPECT_EQ(detail.authorName, "Singer");
    EXPECT_EQ(detail.albumName, "Album");
}

TEST_F(SongDetailTest, PartialRepliesFillWhatTheyCarry) {
    const std::string hash = "A0000000000000000000000000000004";
    EXPECT_EQ(resolve(hash, ""), ""); // a song without an audio address
    EXPECT_EQ(image, base + "/cover/" + hash + ".jpg");
    EXPECT_FALSE(lyrics.empty());
    EXPECT_EQ(requestsTo("/yy/")[0], "/yy/index.php?r=play/getdata&hash=" + hash + "&album_id=&_=");

    server->setCannedReply("/yy/index.php", {200, "application/json", R"({"data":{"img":"I"}})"});
    EXPECT_EQ(resolve(hash, "1"), "");
    EXPECT_EQ(image, "I");
    EXPECT_EQ(lyrics, "");

    server->clearCannedReplies();
    image = "x";
    EXPECT_EQ(resolve("FFFF", "1"), ""); // unknown song: "data" is an empty array
    EXPECT_EQ(image, "");
}

TEST_F(SongDetailTest, OnlyHttpAndHttpsAudioAddressesCount) {
    const std::string hash = "A0000000000000000000000000000001";
    const auto replyWithAudio = [this](const std::string& address) {
        server->setCannedReply("/yy/index.php", {200, "application/json",
                                                 R"({"data":{"img":"I","lyrics":"L","play_url":")" +
                                                     address + R"("}})"});
    };
    for (const char* address : {"file:///etc/passwd", "/etc/passwd", "ftp://host/a.mp3",
                                "javascript:alert(1)", "httpx://host/a.mp3", "http:/host/a.mp3"}) {
        SCOPED_TRACE(address);
        replyWithAudio(address);
        EXPECT_EQ(resolve(hash, "501"), "");
        EXPECT_EQ(image, "I"); // the reply parsed: the other outputs are filled
        EXPECT_EQ(lyrics, "L");
    }
    for (const char* address : {"http://host/a.mp3", "HTTPS://host/a.mp3", "https://h/b?c=1"}) {
        SCOPED_TRACE(address);
        replyWithAudio(address);
        EXPECT_EQ(resolve(hash, "501"), address);
    }
}

TEST_F(SongDetailTest, AReplyWithAByteOrderMarkResolves) {
    server->setCannedReply("/yy/index.php",
                           {200, "application/json",
                            "\xEF\xBB\xBF"
                            R"({"data":{"img":"I","lyrics":"L","play_url":"http://h/p.mp3"}})"});
    EXPECT_EQ(resolve("AB", "1"), "http://h/p.mp3");
    EXPECT_EQ(image, "I");
    EXPECT_EQ(lyrics, "L");
}

TEST_F(SongDetailTest, UnparsableRepliesLeaveTheOutputsAlone) {
    const std::string hash = "A0000000000000000000000000000001";
    server->setFaults({.nonJson = true, .pathPrefix = "/yy/", .skip = 0});
    EXPECT_EQ(resolve(hash, "501"), "");
    server->setFaults({.resetMidBody = true, .pathPrefix = "/yy/", .skip = 0});
    EXPECT_EQ(resolve(hash, "501"), "");
    server->setFaults({});
    server->stop();
    EXPECT_EQ(resolve(hash, "501"), "");
    EXPECT_EQ(image, "old image");
    EXPECT_EQ(lyrics, "old lyrics");
}

TEST_F(SongDetailTest, ResolutionGivenUpForANewerOneLeavesTheOutputsAlone) {
    server->setFaults({.delayMs = 2000, .pathPrefix = "/yy/"});
    int asked = 0;
    const std::string address = PlayInfoAddress(base, "A0000000000000000000000000000001", "501");
    EXPECT_EQ(ResolveSongDetail(address, image, lyrics, [&asked] { return ++asked == 2; }), "");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(image, "old image");
    EXPECT_EQ(lyrics, "old lyrics");
}

} // namespace
} // namespace tb::test
