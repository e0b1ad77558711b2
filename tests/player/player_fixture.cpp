#include "player_fixture.h"

#include "catalogue/catalogue_addresses.h"
#include "platform/folders.h"

#include <QTest>

namespace tb::test {

PlainPlayerPage::PlainPlayerPage() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
        if (audition != nullptr) {
            audition->AuditionTick();
        }
    });
}

void PlainPlayerPage::setTimerInterval(int milliseconds) {
    if (milliseconds <= 0) {
        timer.stop();
    } else {
        timer.start(milliseconds);
    }
}

void PlainPlayerPage::notifyLocalProgress(int percent) {
    localReports.push_back(percent);
    if (audition != nullptr) {
        audition->OnLocalPlayerProgress(percent);
    }
}

void PlayerTest::SetUp() {
    ASSERT_TRUE(temporary.isValid());
    savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", temporary.path().toUtf8());
    std::string error;
    auto catalogue = standin::SongCatalogue::loadDirectory(TB_SOURCE_DIR "/tools/demo/data", error);
    ASSERT_TRUE(catalogue) << error;
    server = std::make_unique<standin::StandinServer>(std::move(*catalogue));
    ASSERT_GT(server->start(0), 0);
    base = server->baseAddress();
    media = std::make_unique<player::MediaPlayer>(qtPlayer);
    local = std::make_unique<player::LocalPlayer>();
    audition = std::make_unique<player::Audition>(page, list, *media, *local);
    page.audition = audition.get();
}

void PlayerTest::TearDown() {
    page.timer.stop();
    page.audition = nullptr;
    audition.reset();
    local.reset();
    media.reset();
    server->stop();
    if (savedTmpdir.isNull()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", savedTmpdir);
    }
}

int PlayerTest::addDemoRow(const std::string& hash) {
    const standin::StandinSong& song = demoSong(hash);
    const int row = list.appendRow();
    list.setCell(row, kColIndex, std::to_string(row));
    list.setCell(row, kColName, Utf8ToLocal(song.name));
    list.setCell(row, kColHash, song.hash);
    list.setCell(row, kColAlbumId, song.albumId);
    list.setCell(row, kColUrl, PlayInfoAddress(base, song.hash, song.albumId));
    list.setCell(row, kColRawSeconds, std::to_string(song.durationSeconds));
    return row;
}

int PlayerTest::addRowWithoutAudio() {
    return addDemoRow(kSilentSong);
}

void PlayerTest::doubleClick(int row) {
    list.selectRow(row);
    audition->AuditionSelectedRow();
}

bool PlayerTest::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

std::string PlayerTest::temporaryFolder() const {
    return platform::TemporaryFolder();
}

const standin::StandinSong& PlayerTest::demoSong(const std::string& hash) const {
    // The server holds the catalogue; a second copy of the same folder gives the same songs.
    static const standin::SongCatalogue catalogue = [] {
        std::string error;
        return *standin::SongCatalogue::loadDirectory(TB_SOURCE_DIR "/tools/demo/data", error);
    }();
    const standin::StandinSong* song = catalogue.byHash(hash);
    EXPECT_NE(song, nullptr) << hash;
    return song != nullptr ? *song : catalogue.songs().front();
}

} // namespace tb::test
