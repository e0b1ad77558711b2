#pragma once
// The audition player: a double-click on a result row plays that song with its cover,
// lyrics coming due, the total and remaining time, seeking, volume and a random next
// song. The song is streamed from its address by the media player; when that cannot open
// it, the song is first copied into the temporary folder and played by the local player.
// All of it runs on the user-interface thread; the requests and the media waits process
// the window's events, so the window stays alive and other events may run meanwhile.
//
// A newer double-click (or a stop or close) during those waits supersedes the audition
// that is waiting: it gives up as soon as control returns to it, so only the song chosen
// last plays.

#include "platform/events.h"
#include "player/player_page.h"

#include <random>
#include <string>
#include <vector>

namespace tb {
class ResultList;
}

namespace tb::player {

class LocalPlayer;
class MediaPlayer;

class Audition {
public:
    // Everything given outlives the audition.
    Audition(PlayerPage& page, ResultList& list, MediaPlayer& media, LocalPlayer& local);

    // Plays the list's selected row (the double-click).
    void AuditionSelectedRow();
    // The one-second tick of the page's timer: slider, time, lyrics, end of the song.
    void AuditionTick();
    // The local player's progress, in percent; 100 ends the song.
    void OnLocalPlayerProgress(int percent);
    // The user moved the progress slider: play from there.
    void SeekAudition();
    // Sets the volume from the volume slider and shows it.
    void ApplyVolume();
    // The stop button: stops what plays (and any audition still waiting to start).
    void StopAudition();
    // Selects a random row and plays it; gives up after as many consecutive songs that
    // could not be played as the list has rows (at most 20).
    void PlayRandomRow();
    // The window is closing: stops both players and deletes "dy.mp3" in the temporary
    // folder. Ending the program is left to the exit routine that runs after it.
    void CloseAudition();

    AuditionMode mode() const { return m_mode; }
    int currentRow() const { return m_row; }
    const std::vector<std::string>& lyricLines() const { return m_lyricLines; }
    // Songs that could not be played since the last one that could.
    int consecutiveFailures() const { return m_failures; }

private:
    using Ticket = platform::LatestRun::Ticket;

    void auditionRow();
    void playStreaming(const Ticket& run);
    void playLocal(int row, const std::string& playUrl, const Ticket& run);
    bool fetchLocalCopy(const std::string& playUrl, const std::string& path, const Ticket& run);
    void playLocalCopy();
    void tickStreaming();
    void tickLocal();
    void endOfSong();
    void stopPlayback();

    PlayerPage& m_page;
    ResultList& m_list;
    MediaPlayer& m_media;
    LocalPlayer& m_local;

    int m_row = -1;
    AuditionMode m_mode = AuditionMode::Streaming;
    long long m_lengthMs = 0;     // streaming: the length reported right after the start
    std::string m_sourceDuration; // local: the row's duration in seconds, as text
    double m_reportedPercent = 0; // local: the local player's last report
    std::vector<std::string> m_lyricLines;
    platform::LatestRun m_runs; // a newer audition, a stop or a close supersedes a waiting one
    unsigned m_auditionsStarted = 0;
    int m_failures = 0;
    bool m_ticking = false;
    std::mt19937 m_random{std::random_device{}()};
};

} // namespace tb::player
