#include "player/audition_rules.h"

#include "data/local_text.h"

#include <algorithm>
#include <cmath>

namespace tb::player {
namespace {

constexpr std::size_t kLyricTagBytes = 10;
constexpr int kMaxRandomFailures = 20;

long long wholeSeconds(double seconds) {
    return static_cast<long long>(std::trunc(seconds));
}

} // namespace

std::string TotalTimeText(long long totalSeconds) {
    static const std::string total = Utf8ToLocal("总时间[");
    return total + DurationText(totalSeconds) + "]";
}

std::string TotalAndRemainingText(long long totalSeconds, double elapsedSeconds) {
    static const std::string remaining = Utf8ToLocal("] - 剩余时间[");
    const long long left = wholeSeconds(static_cast<double>(totalSeconds) - elapsedSeconds);
    const std::string total = TotalTimeText(totalSeconds);
    return total.substr(0, total.size() - 1) + remaining + DurationText(left) + "]";
}

double PlayedFraction(long long positionMs, long long lengthMs) {
    if (lengthMs <= 0) {
        return 0.0;
    }
    return static_cast<double>(positionMs) / static_cast<double>(lengthMs);
}

int ProgressPercent(double fraction) {
    const double percent = std::trunc(fraction * 100.0);
    return static_cast<int>(std::clamp(percent, -1e9, 1e9));
}

std::vector<std::string> SplitLyricLines(std::string_view lyrics) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = lyrics.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(lyrics.substr(start));
            return lines;
        }
        lines.emplace_back(lyrics.substr(start, end - start));
        start = end + 2;
    }
}

bool LyricLineIsDue(std::string_view line, double elapsedSeconds) {
    return ContainsLocal(line, DurationText(wholeSeconds(elapsedSeconds)));
}

std::string LyricBoxText(std::string_view line) {
    const std::string_view text = line.size() > kLyricTagBytes ? line.substr(kLyricTagBytes) : "";
    return std::string(text) + "\r\n";
}

int VolumeFromSlider(int sliderPosition) {
    return 100 - sliderPosition;
}

std::string VolumeLabelText(int volume) {
    static const std::string word = Utf8ToLocal("音量");
    std::string text = std::to_string(volume) + "%";
    for (int i = 0; i < 6; ++i) {
        text += "\r\n";
    }
    return text + word;
}

std::string LocalCopyPath(std::string_view temporaryFolder, std::string_view songName) {
    return std::string(temporaryFolder) + SafeFileName(songName) + ".mp3";
}

int PickRandomRow(int rowCount, std::mt19937& random) {
    return std::uniform_int_distribution<int>(0, rowCount - 1)(random);
}

int RandomFailureLimit(int rowCount) {
    return std::clamp(rowCount, 0, kMaxRandomFailures);
}

} // namespace tb::player
