#pragma once
// The streaming player: one QMediaPlayer (owned by its caller, e.g. the window's
// `媒体播放`) driven through an audio output of its own. Opening waits until the media is
// loaded, so that the caller can go on as with a synchronous player; every wait processes
// the window's events. Addresses and paths are local text.
//
// Without a sound device GStreamer's automatic audio sink falls back to a fake sink that
// keeps to the clock, so playback advances in real time on a machine without sound.

#include <QObject>
#include <QPointer>

#include <string>

class QAudioOutput;
class QMediaPlayer;

namespace tb::player {

class MediaPlayer {
public:
    static constexpr int kDefaultOpenTimeoutMs = 10000;
    static constexpr int kLengthWaitMs = 3000;

    explicit MediaPlayer(QMediaPlayer& player);
    ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Closes any open media, then opens an http or https address or a file path and waits,
    // at most the open time-out, until it is loaded (true) or cannot be played (false).
    // False as well when another open or a close came in while it waited.
    bool open(const std::string& address);
    void close();
    // Plays the open media from a position in milliseconds (0: from the start).
    void play(long long fromMs = 0);
    // Stops and goes back to the start.
    void stop();

    // The position in milliseconds; once the media has played to its end, the longest
    // length it was reported with (an early estimate may exceed the final length, and the
    // end must still read as the whole song); -1 when nothing is open.
    long long positionMs() const;
    // The length in milliseconds; 0 when unknown. The media reports its length only once it
    // plays, so the first call after the start waits for it (at most kLengthWaitMs).
    long long lengthMs();
    long long lengthSeconds() { return lengthMs() / 1000; }
    // True when the open media has played to its end.
    bool atEnd() const;

    // Left and right volume, each 0 to 100 (onto the device scale 0 to 1000); a value
    // outside is ignored. The output has one volume for both channels: their mean.
    void setVolume(int left, int right);
    int leftVolume() const { return m_left; }
    int rightVolume() const { return m_right; }
    // The volume the audio output plays at, 0.0 to 1.0.
    float outputVolume() const;

    void setOpenTimeout(int milliseconds) { m_openTimeoutMs = milliseconds; }

private:
    bool loaded() const;

    QPointer<QMediaPlayer> m_player;
    QPointer<QAudioOutput> m_output;
    QObject m_receiver;       // context of the player's error reports
    unsigned m_openCount = 0; // opens and closes so far; a waiting open checks it
    bool m_open = false;
    bool m_failed = false; // the back end reported an error since the last open
    bool m_lengthAwaited = false;
    long long m_longestLengthMs = 0; // the longest length reported for the open media
    int m_openTimeoutMs = kDefaultOpenTimeoutMs;
    int m_left = 100;
    int m_right = 100;
};

} // namespace tb::player
