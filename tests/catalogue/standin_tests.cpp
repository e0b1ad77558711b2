// The stand-in catalogue itself: demo data, audio ranges and its faults.

#include "standin_server.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace tb::test {
namespace {

TEST(StandinTest, DemoCatalogueLoadsEverySong) {
    std::string error;
    const auto catalogue = standin::SongCatalogue::loadDirectory(
        std::string(TB_SOURCE_DIR) + "/tools/demo/data", error);
    ASSERT_TRUE(catalogue) << error;
    const auto& songs = catalogue->songs();
    ASSERT_EQ(songs.size(), 12u);
    int withoutAudioAddress = 0;
    for (const auto& song : songs) {
        EXPECT_GE(song.durationSeconds, 10) << song.name;
        EXPECT_LE(song.durationSeconds, 30) << song.name;
        ASSERT_GE(song.audio.size(), 2u) << song.name;
        EXPECT_EQ(static_cast<unsigned char>(song.audio[0]), 0xFF) << song.name; // MPEG frame
        EXPECT_NE(song.lyrics.find("]\r\n"), std::string::npos) << song.name;
        withoutAudioAddress += song.hasPlayUrl ? 0 : 1;
    }
    EXPECT_EQ(withoutAudioAddress, 1);
    EXPECT_EQ(catalogue->match("同名歌曲").size(), 2u);
    EXPECT_NE(catalogue->picture(31), nullptr);
}

// A new, empty folder under the system's temporary folder.
std::filesystem::path makeScratchDir() {
    std::random_device random;
    for (;;) {
        auto dir =
            std::filesystem::temp_directory_path() / ("tb-standin-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir)) {
            return dir;
        }
    }
}

TEST(StandinTest, SongWithoutReadableAudioIsRefusedWithAReason) {
    const auto dir = makeScratchDir();
    for (const char* audio : {R"("audio":"",)", R"("audio":"missing.mp3",)", ""}) {
        std::ofstream(dir / "songs.json")
            << R"([{"name":"x","hash":"AB",)" << audio << R"("duration":1}])";
        std::string error;
        EXPECT_FALSE(standin::SongCatalogue::loadDirectory(dir, error)) << audio;
        EXPECT_NE(error.find("readable audio"), std::string::npos) << audio;
    }
    std::filesystem::remove_all(dir);
}

TEST(StandinTest, AudioHonoursRangesUnlessToldToIgnoreThem) {
    const auto catalogue = standin::SongCatalogue::synthetic(3);
    const auto song = catalogue.songs()[1];
    standin::StandinServer server(catalogue);
    ASSERT_GT(server.start(0), 0);
    httplib::Client client("127.0.0.1", server.port());
    const std::string path = "/audio/" + song.hash + ".mp3";

    auto ranged = client.Get(path.c_str(), {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(ranged);
    EXPECT_EQ(ranged->status, 206);
    EXPECT_EQ(ranged->get_header_value("Content-Range"),
              "bytes 100-199/" + std::to_string(song.audioSize()));
    EXPECT_EQ(ranged->get_header_value("Accept-Ranges"), "bytes");
    EXPECT_EQ(ranged->body, song.audioBytes(100, 100));

    server.setFaults({.ignoreRange = true, .pathPrefix = "", .skip = 0});
    auto whole = client.Get(path.c_str(), {{"Range", "bytes=100-199"}});
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body.size(), song.audioSize());

    server.setFaults({.resetMidBody = true, .pathPrefix = "", .skip = 0});
    auto cut = client.Get(path.c_str());
    EXPECT_TRUE(!cut || cut->body.size() < song.audioSize());
    server.stop();
}

TEST(StandinTest, ControlEndpointSwitchesFaultsForLaterRequests) {
    standin::StandinServer server(standin::SongCatalogue::synthetic(2));
    ASSERT_GT(server.start(0), 0);
    httplib::Client client("127.0.0.1", server.port());
    ASSERT_TRUE(client.Get("/_standin/faults?status500=1&path=/song_search_v2&skip=1"));
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->status, 200);
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->status, 500);
    EXPECT_EQ(client.Get("/getSearchTip?keyword=song")->status, 200);
    ASSERT_TRUE(client.Get("/_standin/faults"));
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->status, 200);

    // A limited number of faulty answers, then normal ones again.
    ASSERT_TRUE(client.Get("/_standin/faults?nonjson=1&path=/song_search_v2&skip=1&count=1"));
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->body.front(), '{');
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->body.front(), '<');
    EXPECT_EQ(client.Get("/song_search_v2?keyword=song")->body.front(), '{');
    server.stop();
}

} // namespace
} // namespace tb::test
