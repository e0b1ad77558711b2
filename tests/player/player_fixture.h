#pragma once
// The audition over plain controls, against the stand-in catalogue serving the demo songs
// on loopback, through the real media back end. The temporary folder is a fresh one per
// test, so local copies and "dy.mp3" are the test's own.

#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "player/audition.h"
#include "player/local_player.h"
#include "player/media_player.h"
#include "player/player_page.h"
#include "standin_server.h"
#include "support/plain_result_list.h"

#include <QMediaPlayer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tb::test {

// UTF-8 literal -> local text.
inline std::string L(const char* utf8) {
    return Utf8ToLocal(utf8);
}

// The player page over plain values; its timer is a real one that runs the tick.
class PlainPlayerPage : public player::PlayerPage {
public:
    PlainPlayerPage();

    std::string songName() const override { return name; }
    void setSongName(const std::string& text) override { name = text; }
    void setTimeText(const std::string& text) override { timeTexts.push_back(text); }
    void setVolumeText(const std::string& text) override { volumeText = text; }
    int progress() const override { return slider; }
    void setProgress(int percent) override { slider = std::clamp(percent, 0, 100); }
    int volumePosition() const override { return volumeSlider; }
    void setLyrics(const std::string& text) override { lyrics = text; }
    void appendLyrics(const std::string& text) override {
        lyrics += text;
        appended.push_back(text);
    }
    void setPicture(const std::string& bytes) override { picture = bytes; }
    void setTimerInterval(int milliseconds) override;
    bool randomNextTicked() const override { return randomNext; }
    bool suggestionsVisible() const override { return suggestionsShown; }
    void hideSuggestions() override { suggestionsShown = false; }
    void notifyLocalProgress(int percent) override;
    void modeChosen(player::AuditionMode mode) override { modes.push_back(mode); }

    std::string timeText() const { return timeTexts.empty() ? std::string() : timeTexts.back(); }
    int timerInterval() const { return timer.isActive() ? timer.interval() : 0; }

    std::string name;
    std::vector<std::string> timeTexts;
    std::string volumeText;
    int slider = 0;
    int volumeSlider = 0;
    std::string lyrics;
    std::vector<std::string> appended;
    std::string picture;
    bool randomNext = false;
    bool suggestionsShown = true;
    std::vector<int> localReports;
    std::vector<player::AuditionMode> modes;
    player::Audition* audition = nullptr; // receives the ticks and the local reports
    QTimer timer;
};

// A result list that remembers every row it was told to select.
class RecordingResultList : public PlainResultList {
public:
    void selectRow(int row) override {
        selections.push_back(row);
        PlainResultList::selectRow(row);
    }
    std::vector<int> selections;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends a row for the demo song with this hash, as the search fills it.
    int addDemoRow(const std::string& hash);
    // Appends a row whose play information names no audio.
    int addRowWithoutAudio();
    // Selects the row and plays it, as a double-click does.
    void doubleClick(int row);
    // Waits, processing events, until the condition holds; false after the time-out.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
    std::string temporaryFolder() const;
    const standin::StandinSong& demoSong(const std::string& hash) const;

    QTemporaryDir temporary;
    QByteArray savedTmpdir;
    std::unique_ptr<standin::StandinServer> server;
    std::string base;
    RecordingResultList list;
    PlainPlayerPage page;
    QMediaPlayer qtPlayer;
    std::unique_ptr<player::MediaPlayer> media;
    std::unique_ptr<player::LocalPlayer> local;
    std::unique_ptr<player::Audition> audition;
};

// Demo songs the tests play.
inline constexpr const char* kHelloWorld = "2F09AB3E7081B5BF0434AA685DD79EA8";  // 12 s
inline constexpr const char* kRainyRoad = "91C3F7C7043579C76A12001F4CAF7294";   // 12 s
inline constexpr const char* kSilentSong = "CFE1CAB22B1A379ECDFDCD00B291856A";  // no audio
inline constexpr const char* kMorningSong = "F7BCE815669E7319953461B267C52E5E"; // 20 s

} // namespace tb::test
