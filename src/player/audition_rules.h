#pragma once
// The audition's time, lyric, volume and naming rules as plain functions of values, so the
// player's arithmetic is checked without media. Texts are local text.

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tb::player {

// "总时间[" + mm:ss + "]"
std::string TotalTimeText(long long totalSeconds);
// "总时间[mm:ss] - 剩余时间[mm:ss]"; the remaining time is total - elapsed, truncated
// toward zero to whole seconds.
std::string TotalAndRemainingText(long long totalSeconds, double elapsedSeconds);

// Progress of a position within a length, as a fraction (0 when the length is unknown).
double PlayedFraction(long long positionMs, long long lengthMs);
// The progress slider's position for a fraction: fraction x 100, truncated toward zero.
int ProgressPercent(double fraction);

// The lyrics split at CR LF (the piece after a final CR LF is kept, empty).
std::vector<std::string> SplitLyricLines(std::string_view lyrics);
// True when the line contains the elapsed time as "mm:ss" (whole seconds, truncated
// toward zero) anywhere: plain, case-sensitive.
bool LyricLineIsDue(std::string_view line, double elapsedSeconds);
// What a due line adds to the lyrics box: the line without its first 10 bytes (the
// "[mm:ss.xx]" tag) and a final CR LF.
std::string LyricBoxText(std::string_view line);

// The volume for a position of the volume slider: 100 - position.
int VolumeFromSlider(int sliderPosition);
// The volume label: the value, "%", six line breaks (CR LF) and "音量", so that the value
// stands above the word.
std::string VolumeLabelText(int volume);

// The local copy of a song: the temporary folder (ending in "/") + the song name made safe
// for a file name + ".mp3". A name such as "../x" or "a/b" stays inside the folder.
std::string LocalCopyPath(std::string_view temporaryFolder, std::string_view songName);

// A row drawn uniformly from 0 to rowCount - 1 (rowCount > 0).
int PickRandomRow(int rowCount, std::mt19937& random);
// Random play gives up after this many consecutive songs that could not be played: as
// many as the list has rows, at most 20.
int RandomFailureLimit(int rowCount);

} // namespace tb::player
