#include "catalogue_fixture.h"

#include "platform/events.h"

namespace tb::test {

standin::SongCatalogue TestCatalogue() {
    struct Entry {
        const char* name;
        const char* hash;
        const char* album;
        int seconds;
        std::uint64_t bytes;
        bool playable;
    };
    static const Entry kEntries[] = {
        {"Alpha - hello there", "A0000000000000000000000000000001", "501", 245, 3932160, true},
        {"Beta - HELLO AGAIN", "A0000000000000000000000000000002", "502", 59, 1048576, true},
        {"抖音 - 夜空", "A0000000000000000000000000000003", "503", 6005, 1073741824, true},
        {"Gamma - quiet", "A0000000000000000000000000000004", "", 0, 0, false},
    };
    standin::SongCatalogue catalogue;
    for (const auto& entry : kEntries) {
        standin::StandinSong song;
        song.name = entry.name;
        song.singer = "Singer";
        song.hash = entry.hash;
        song.albumId = entry.album;
        song.albumName = "Album";
        song.durationSeconds = entry.seconds;
        song.generatedAudioSize = entry.bytes;
        song.cover = "JPEG";
        song.lyrics = "[00:01.00]line one\r\n[00:02.50]第二行\r\n";
        song.hasPlayUrl = entry.playable;
        catalogue.addSong(std::move(song));
    }
    return catalogue;
}

void CatalogueTest::SetUp() {
    server = std::make_unique<standin::StandinServer>(TestCatalogue());
    ASSERT_GT(server->start(0), 0);
    base = server->baseAddress();
    const CatalogueHosts hosts{base, base, base};
    search = std::make_unique<SongSearch>(
        SearchControls{keywordBox, button, suggestions, listSearchBox, list}, hosts);
    aids = std::make_unique<SearchAids>(*search);
    prompt = std::make_shared<RecordingPrompt>();
    platform::setPrompt(prompt);
}

void CatalogueTest::TearDown() {
    platform::setPrompt(nullptr);
    platform::setPendingEventsHandler({});
    platform::setWaitHandler({});
    platform::ResumeRequests();
    server->stop();
}

std::vector<std::string> CatalogueTest::requestsTo(const std::string& pathPrefix) const {
    std::vector<std::string> found;
    for (const auto& target : server->requestLog()) {
        if (target.rfind(pathPrefix, 0) == 0) {
            found.push_back(target);
        }
    }
    return found;
}

std::vector<std::string> CatalogueTest::rowCells(int row) const {
    std::vector<std::string> cells;
    for (int column = 0; column < kResultColumnCount; ++column) {
        cells.push_back(list.cell(row, column));
    }
    return cells;
}

} // namespace tb::test
