// tunebatch-play PLAYINFO_ADDRESS [--name TEXT] [--seconds N]
//   The companion's player, a program of its own so that tunebatch-cli loads no Qt GUI or
//   multimedia library. Auditions one song without a window, with the program's own player on the
//   real media back end: the address is column 4 of a one-row list, the name its column 1. Prints
//   one line per change:
//     mode: streaming | mode: local     how the song is played
//     time: TEXT                        each new text of the time label
//     lyrics: LINE                      each lyric line as it comes due
//     status: TEXT                      each text written into the row's status column
//   Ends when the song ends, when nothing can be played, or after N seconds; exit 0.
// Arguments and output are UTF-8. --help prints the usage (exit 0); a malformed command
// line prints it on stderr (exit 2).

#include "catalogue/result_list.h"
#include "data/local_text.h"
#include "platform/qt/qt_platform.h"
#include "player/audition.h"
#include "player/local_player.h"
#include "player/media_player.h"
#include "transport/curl_setup.h"

#include <CLI/CLI.hpp>

#include <QCoreApplication>
#include <QMediaPlayer>
#include <QTimer>

#include <array>
#include <iostream>
#include <memory>
#include <optional>

namespace tb::play {
namespace {

constexpr int kEndCheckMs = 100;

void printLine(const std::string& label, const std::string& localText) {
    std::cout << label << ": " << LocalToUtf8(localText) << std::endl;
}

// The one row; status texts are printed as they are written.
class ConsoleRow : public ResultList {
public:
    ConsoleRow(const std::string& address, const std::string& name) {
        m_cells[kColUrl] = address;
        m_cells[kColName] = name;
    }
    int rowCount() const override { return 1; }
    void clearRows() override {}
    int appendRow() override { return 0; }
    std::string cell(int row, int column) const override {
        return row == 0 && column >= 0 && column < kResultColumnCount ? m_cells[column] : "";
    }
    void setCell(int row, int column, const std::string& text) override;
    bool isTicked(int) const override { return false; }
    void setTicked(int, bool) override {}
    int selectedRow() const override { return 0; }
    void selectRow(int) override {}
    void ensureVisible(int) override {}
    void focus() override {}

    bool statusWritten = false;

private:
    std::array<std::string, kResultColumnCount> m_cells;
};

void ConsoleRow::setCell(int row, int column, const std::string& text) {
    if (row != 0 || column < 0 || column >= kResultColumnCount) {
        return;
    }
    m_cells[column] = text;
    if (column == kColStatus) {
        statusWritten = true;
        printLine("status", text);
    }
}

// The player page as console lines; its timer runs the audition's tick.
class ConsolePage : public player::PlayerPage {
public:
    ConsolePage() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (audition != nullptr) {
                audition->AuditionTick();
            }
        });
    }

    std::string songName() const override { return m_name; }
    void setSongName(const std::string& name) override { m_name = name; }
    void setTimeText(const std::string& text) override;
    void setVolumeText(const std::string&) override {}
    int progress() const override { return m_progress; }
    void setProgress(int percent) override { m_progress = std::clamp(percent, 0, 100); }
    int volumePosition() const override { return 0; }
    void setLyrics(const std::string&) override {}
    void appendLyrics(const std::string& text) override;
    void setPicture(const std::string&) override {}
    void setTimerInterval(int milliseconds) override {
        if (milliseconds > 0) {
            m_timer.start(milliseconds);
        } else {
            m_timer.stop();
        }
    }
    bool randomNextTicked() const override { return false; }
    bool suggestionsVisible() const override { return false; }
    void hideSuggestions() override {}
    void notifyLocalProgress(int percent) override {
        if (audition != nullptr) {
            audition->OnLocalPlayerProgress(percent);
        }
    }
    void modeChosen(player::AuditionMode mode) override {
        started = true;
        std::cout << "mode: " << (mode == player::AuditionMode::Local ? "local" : "streaming")
                  << std::endl;
    }
    bool timerRunning() const { return m_timer.isActive(); }

    player::Audition* audition = nullptr;
    bool started = false;
    bool ended = false;

private:
    std::string m_name;
    std::string m_time;
    int m_progress = 0;
    QTimer m_timer;
};

void ConsolePage::setTimeText(const std::string& text) {
    if (text != m_time) {
        m_time = text;
        printLine("time", text);
    }
    ended = ended || text == Utf8ToLocal("播放结束 重新选择");
}

void ConsolePage::appendLyrics(const std::string& text) {
    const bool crLf = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    printLine("lyrics", crLf ? text.substr(0, text.size() - 2) : text);
}

struct PlayOptions {
    std::string address;
    std::string name = "tunebatch-play";
    std::optional<int> seconds;
};

int runPlay(const PlayOptions& options) {
    int argc = 1;
    char program[] = "tunebatch-play";
    char* argv[] = {program, nullptr};
    QCoreApplication application(argc, argv);
    platform::installQtEventHandlers();

    ConsoleRow row(Utf8ToLocal(options.address), Utf8ToLocal(options.name));
    ConsolePage page;
    QMediaPlayer qtPlayer;
    player::MediaPlayer media(qtPlayer);
    player::LocalPlayer local;
    player::Audition audition(page, row, media, local);
    page.audition = &audition;

    bool timeUp = false;
    if (options.seconds) {
        QTimer::singleShot(*options.seconds * 1000, &application, [&] {
            timeUp = true;
            QCoreApplication::quit();
        });
    }
    audition.AuditionSelectedRow();
    // A stream of unknown length runs no timer; its end shows in the media player only.
    const auto finished = [&] {
        return timeUp || page.ended || !page.started ||
               (audition.mode() == player::AuditionMode::Streaming && !page.timerRunning() &&
                media.atEnd());
    };
    QTimer endCheck;
    QObject::connect(&endCheck, &QTimer::timeout, [&] {
        if (finished()) {
            QCoreApplication::quit();
        }
    });
    endCheck.start(kEndCheckMs);
    if (!finished()) {
        QCoreApplication::exec();
    }
    audition.CloseAudition();
    page.audition = nullptr;
    return 0;
}

void declareOptions(CLI::App& command, PlayOptions& options) {
    command.add_option("PLAYINFO_ADDRESS", options.address, "the song's play-information address")
        ->required();
    command.add_option("--name", options.name, "the song name (names the local copy)");
    command.add_option("--seconds", options.seconds, "stop after this many seconds")
        ->check(CLI::Range(0, 86400));
    command.footer("Prints \"mode: \", \"time: \", \"lyrics: \" and \"status: \" lines as they "
                   "change; ends with the song, when nothing can be played, or after N seconds.");
}

} // namespace
} // namespace tb::play

int main(int argc, char** argv) {
    tb::transport::InitialiseCurl(); // before the player starts a thread
    CLI::App app("Audition one song without a window, with Tunebatch's player. Texts are UTF-8.",
                 "tunebatch-play");
    tb::play::PlayOptions options;
    tb::play::declareOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "tunebatch-play: " << error.what() << "\n\n" << app.help();
        return 2;
    }
    return tb::play::runPlay(options);
}
