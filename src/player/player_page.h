#pragma once
// The controls of the player page as the audition sees them. The application implements
// them over the main window's widgets, the companion over its console output, tests over
// plain values. Texts are local text.

#include <string>

namespace tb::player {

enum class AuditionMode { Streaming, Local };

class PlayerPage {
public:
    virtual ~PlayerPage() = default;

    // `标签_name`: the song name; it also names the local copy.
    virtual std::string songName() const = 0;
    virtual void setSongName(const std::string& name) = 0;
    // `标签_时间`
    virtual void setTimeText(const std::string& text) = 0;
    // `标签_音量`
    virtual void setVolumeText(const std::string& text) = 0;
    // `滑块条_进度`, 0 to 100. Setting it is not a user's move: it seeks nothing.
    virtual int progress() const = 0;
    virtual void setProgress(int percent) = 0;
    // `滑块条_音量`, 0 to 100; the volume is 100 minus the position.
    virtual int volumePosition() const = 0;
    // `编辑框_歌词`: replace the whole text, or add text at its end (lines end in CR LF).
    virtual void setLyrics(const std::string& text) = 0;
    virtual void appendLyrics(const std::string& text) = 0;
    // `图片框_image`: picture bytes in any format; bytes that are no picture show nothing.
    virtual void setPicture(const std::string& bytes) = 0;
    // `时钟1`: ticks every `milliseconds`; 0 stops it.
    virtual void setTimerInterval(int milliseconds) = 0;
    // `选择框_随机播放`: go on with a random row when a song ends.
    virtual bool randomNextTicked() const = 0;
    // `列表框_预热`, the search suggestions.
    virtual bool suggestionsVisible() const = 0;
    virtual void hideSuggestions() = 0;
    // The name label's notification, the local player's target: the owner hands the
    // percentage to the audition's OnLocalPlayerProgress.
    virtual void notifyLocalProgress(int percent) = 0;
    // Which way the song that starts is played; for observers, nothing by default.
    virtual void modeChosen(AuditionMode) {}
};

} // namespace tb::player
