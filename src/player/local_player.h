#pragma once
// The local player: plays a sound file from a percentage of its length and reports its
// progress as whole percentages to a target, 100 meaning the end. Reports arrive through
// the event loop on the user-interface thread, never inside a call of this class, and
// none arrives from a file that was stopped or replaced. A file that cannot be played
// reports 100 at once: its playing is over. Paths are local text.

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QObject>

#include <functional>
#include <string>

namespace tb::player {

class LocalPlayer {
public:
    using ProgressTarget = std::function<void(int percent)>;

    LocalPlayer();
    ~LocalPlayer();
    LocalPlayer(const LocalPlayer&) = delete;
    LocalPlayer& operator=(const LocalPlayer&) = delete;

    // Stops what plays and plays the file from fromPercent (0 to 100) of its length.
    void play(const std::string& path, int fromPercent, ProgressTarget target);
    void stop();
    bool playing() const;

private:
    bool reachStartPosition(qint64 positionMs);
    void onPosition(qint64 positionMs);
    void onStatus(QMediaPlayer::MediaStatus status);
    void report(int percent);

    QAudioOutput m_output;
    QMediaPlayer m_player;
    QObject m_receiver; // context of the player's signals and of the queued reports
    ProgressTarget m_target;
    unsigned m_run = 0; // files played so far; a queued report of an older one is dropped
    int m_startPercent = 0;
    bool m_startPending = false; // the start position is not reached yet
    int m_startAttempts = 0;
    int m_reportsSinceStart = 0;
    int m_lastReported = -1;
    bool m_ended = false;
};

} // namespace tb::player
