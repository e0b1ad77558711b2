#pragma once
// LRC lyrics: lines that start with one or more time stamps "[mm:ss]", "[mm:ss.x]",
// "[mm:ss.xx]" or "[mm:ss.xxx]" (":" in place of the "." too), and tag lines such as
// "[ti:...]", "[ar:...]" or "[offset:+/-ms]". Text is UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tb::tags {

struct TimedLine {
    std::uint32_t ms = 0; // from the start of the song
    std::string text;
    bool operator==(const TimedLine&) const = default;
};

struct LrcLyrics {
    // Every stamp with its line's text (blanks around it removed; empty for a stamp that ends
    // the previous line), in time order; lines with equal times keep the order of the text.
    std::vector<TimedLine> timed;
    // The lyrics as plain lines: the non-empty texts of the timed lines in time order, or,
    // when the text has no time stamp at all, its non-empty lines that are not tag lines.
    std::vector<std::string> plain;
};

// Reads LRC text (an optional byte-order mark, lines ended by CR LF, LF or CR). An offset
// tag moves every time earlier by that many milliseconds (later when negative), never below
// 0. Whatever is not a stamp or a tag is lyrics text: a line that starts with a broken stamp
// ("[1:75]", "[ab]", times past 2^32 ms) is an untimed line and never counts as timed.
LrcLyrics ParseLrc(std::string_view utf8);

// The lines of LRC text, without a leading byte-order mark and without their line ends
// (CR LF, LF or CR).
std::vector<std::string_view> LrcLines(std::string_view utf8);

// True when the line is a tag line such as "[ar:someone]" (a name of letters, a colon and
// anything up to the last "]").
bool IsLrcTagLine(std::string_view line);

} // namespace tb::tags
