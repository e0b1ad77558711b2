#include "tags/lrc_lyrics.h"

#include <algorithm>
#include <optional>

namespace tb::tags {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::int64_t kLongestTime = 0xFFFFFFFFLL; // what a 32-bit stamp holds

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads up to maxDigits digits at the front of text; empty when there is none.
std::optional<std::int64_t> takeNumber(std::string_view& text, std::size_t maxDigits,
                                       std::size_t* digits = nullptr) {
    std::size_t count = 0;
    std::int64_t value = 0;
    while (count < text.size() && count < maxDigits && isDigit(text[count])) {
        value = value * 10 + (text[count] - '0');
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    text.remove_prefix(count);
    if (digits != nullptr) {
        *digits = count;
    }
    return value;
}

// "mm:ss", "mm:ss.f", "mm:ss.ff" or "mm:ss.fff" (or ":" before the fraction) in milliseconds.
std::optional<std::int64_t> stampTime(std::string_view stamp) {
    const auto minutes = takeNumber(stamp, 8);
    if (!minutes || stamp.empty() || stamp.front() != ':') {
        return std::nullopt;
    }
    stamp.remove_prefix(1);
    const auto seconds = takeNumber(stamp, 2);
    if (!seconds || *seconds >= 60) {
        return std::nullopt;
    }
    std::int64_t fraction = 0;
    if (!stamp.empty() && (stamp.front() == '.' || stamp.front() == ':')) {
        stamp.remove_prefix(1);
        std::size_t digits = 0;
        const auto value = takeNumber(stamp, 3, &digits);
        if (!value) {
            return std::nullopt;
        }
        fraction = *value * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
    }
    if (!stamp.empty()) {
        return std::nullopt;
    }
    const std::int64_t ms = (*minutes * 60 + *seconds) * 1000 + fraction;
    return ms <= kLongestTime ? std::optional(ms) : std::nullopt;
}

// The stamps at the start of a line, each taken off it; none when the line starts otherwise.
std::vector<std::int64_t> takeStamps(std::string_view& line) {
    std::vector<std::int64_t> stamps;
    for (;;) {
        const std::string_view rest = trimmed(line);
        const std::size_t close = rest.find(']');
        if (rest.empty() || rest.front() != '[' || close == std::string_view::npos) {
            return stamps;
        }
        const auto time = stampTime(rest.substr(1, close - 1));
        if (!time) {
            return stamps;
        }
        stamps.push_back(*time);
        line = rest.substr(close + 1);
    }
}

// The value of an "[offset:...]" tag line in milliseconds: an optional sign and digits.
std::optional<std::int64_t> offsetOf(std::string_view line) {
    constexpr std::string_view kOffset = "[offset:";
    line = trimmed(line);
    if (line.size() <= kOffset.size() || line.back() != ']') {
        return std::nullopt;
    }
    std::string start(line.substr(0, kOffset.size()));
    std::transform(start.begin(), start.end(), start.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (start != kOffset) {
        return std::nullopt;
    }
    std::string_view value = trimmed(line.substr(kOffset.size(), line.size() - kOffset.size() - 1));
    const bool negative = !value.empty() && value.front() == '-';
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        value.remove_prefix(1);
    }
    const auto amount = takeNumber(value, 10);
    if (!amount || !trimmed(value).empty()) {
        return std::nullopt;
    }
    return negative ? -*amount : *amount;
}

} // namespace

std::vector<std::string_view> LrcLines(std::string_view utf8) {
    if (utf8.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        utf8.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string_view> lines;
    while (!utf8.empty()) {
        const std::size_t end = utf8.find_first_of("\r\n");
        lines.push_back(utf8.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        utf8.remove_prefix(utf8.substr(end, 2) == "\r\n" ? end + 2 : end + 1);
    }
    return lines;
}

bool IsLrcTagLine(std::string_view line) {
    line = trimmed(line);
    if (line.size() < 3 || line.front() != '[' || line.back() != ']') {
        return false;
    }
    std::size_t at = 1;
    while (at < line.size() && isLetter(line[at])) {
        ++at;
    }
    return at > 1 && line[at] == ':';
}

LrcLyrics ParseLrc(std::string_view utf8) {
    LrcLyrics lyrics;
    std::vector<std::string> untimed;
    std::int64_t offset = 0;
    for (std::string_view line : LrcLines(utf8)) {
        const std::vector<std::int64_t> stamps = takeStamps(line);
        const std::string text(trimmed(line));
        if (!stamps.empty()) {
            for (const std::int64_t stamp : stamps) {
                lyrics.timed.push_back({static_cast<std::uint32_t>(stamp), text});
            }
        } else if (IsLrcTagLine(line)) {
            offset = offsetOf(line).value_or(offset);
        } else if (!text.empty()) {
            untimed.push_back(text);
        }
    }
    for (TimedLine& line : lyrics.timed) {
        line.ms =
            static_cast<std::uint32_t>(std::clamp<std::int64_t>(line.ms - offset, 0, kLongestTime));
    }
    std::stable_sort(lyrics.timed.begin(), lyrics.timed.end(),
                     [](const TimedLine& a, const TimedLine& b) { return a.ms < b.ms; });
    for (const TimedLine& line : lyrics.timed) {
        if (!line.text.empty()) {
            lyrics.plain.push_back(line.text);
        }
    }
    if (lyrics.timed.empty()) {
        lyrics.plain = std::move(untimed);
    }
    return lyrics;
}

} // namespace tb::tags
