#include "batch_fixture.h"

#include "catalogue/catalogue_addresses.h"
#include "data/local_text.h"
#include "platform/events.h"
#include "support/test_files.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace tb::test {

namespace fs = std::filesystem;

void BatchTest::SetUp() {
    SharedNginxTest::SetUp();
    engine.initialise(20480, 0, 0);
    worker = std::make_unique<download::DownloadWorker>(engine, list);
    prompt = std::make_shared<ScriptedPrompt>();
    platform::setPrompt(prompt);
    controls.folder = L(saveFolder().string() + "/");
    fs::create_directories(saveFolder());
    DownloadBusy = false;
}

void BatchTest::TearDown() {
    platform::ResumeRequests();
    if (m_command) {
        m_command->waitForHelpers(); // no helper outlives its test, none stays a zombie
        m_command.reset();
    }
    worker.reset();
    platform::setPrompt(nullptr);
    if (standin) {
        standin->stop();
    }
}

void BatchTest::listSongs(const std::vector<TestSong>& songs, const std::string& audioFolder) {
    const std::string audioPrefix = audioFolder.empty() ? "" : audioFolder + "/";
    standin::SongCatalogue catalogue;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        standin::StandinSong song;
        char hash[40];
        std::snprintf(hash, sizeof hash, "B%031zX", i + 1);
        song.hash = hash;
        song.name = songs[i].name;
        song.albumId = std::to_string(700 + i);
        song.generatedAudioSize = songs[i].bytes;
        song.hasPlayUrl = songs[i].playable;
        song.singer = songs[i].singer;
        song.albumName = songs[i].album;
        song.cover = songs[i].cover;
        song.lyrics = songs[i].lyrics;
        m_audio.push_back(song.audioBytes(0, song.audioSize()));
        s_nginx->addFile(audioPrefix + "audio/" + song.hash + ".mp3", m_audio.back());
        catalogue.addSong(song);
    }
    standin = std::make_unique<standin::StandinServer>(catalogue);
    ASSERT_GT(standin->start(0), 0);
    standin->setAudioBase(s_nginx->url(audioFolder.empty() ? "" : "/" + audioFolder));
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const standin::StandinSong& song = catalogue.songs()[i];
        const int row = list.appendRow();
        list.setCell(row, kColIndex, std::to_string(row));
        list.setCell(row, kColName, L(song.name));
        list.setCell(row, kColUrl,
                     PlayInfoAddress(standin->baseAddress(), song.hash, song.albumId));
        list.setCell(row, kColRawBytes,
                     songs[i].sizeText.empty() ? std::to_string(songs[i].bytes)
                                               : songs[i].sizeText);
        list.setTicked(row, true);
    }
}

void BatchTest::runBatch(int maxHelpers) {
    if (m_command) {
        m_command->waitForHelpers();
    }
    m_downloader = std::make_unique<batch::WorkerRowDownloader>(*worker, engine);
    m_command = std::make_unique<batch::BatchDownload>(
        batch::BatchParts{list, controls, *m_downloader}, maxHelpers);
    m_command->DownloadTickedSongs();
}

std::vector<std::string> BatchTest::savedFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(saveFolder())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string BatchTest::readFile(const fs::path& path) const {
    return ReadFileBytes(path);
}

int BatchTest::playInfoRequests() const {
    int count = 0;
    for (const std::string& target : standin->requestLog()) {
        count += target.rfind("/yy/index.php", 0) == 0 ? 1 : 0;
    }
    return count;
}

} // namespace tb::test
