#include "download/resume_journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tb::download {
namespace {

constexpr std::string_view kFirstLine = "tunebatch-journal 1\n";
constexpr std::string_view kChecksumKey = "checksum ";

// FNV-1a, 64 bits: enough to tell a journal cut short or overwritten from a whole one.
std::uint64_t checksumOf(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : text) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<ByteRange> rangeFrom(std::string_view text) {
    const auto space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const auto start = number(text.substr(0, space));
    const auto end = number(text.substr(space + 1));
    if (!start || !end || *start >= *end) {
        return std::nullopt;
    }
    return ByteRange{*start, *end};
}

// Reads one "key value" line into the journal; false for a line that does not belong.
bool readLine(std::string_view line, ResumeJournal& journal) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    const std::string_view key = line.substr(0, space);
    const std::string_view value = line.substr(space + 1);
    if (key == "address") {
        journal.address = std::string(value);
    } else if (key == "total") {
        const auto total = number(value);
        journal.total = total.value_or(-1);
        return total.has_value();
    } else if (key == "etag") {
        journal.etag = std::string(value);
    } else if (key == "last-modified") {
        journal.lastModified = std::string(value);
    } else if (key == "range") {
        const auto range = rangeFrom(value);
        if (!range) {
            return false;
        }
        journal.ranges.push_back(*range);
    } else {
        return false;
    }
    return true;
}

bool rangesFit(const std::vector<ByteRange>& ranges, std::int64_t total) {
    std::int64_t previousEnd = -1;
    for (const ByteRange& range : ranges) {
        if (range.start <= previousEnd || range.end > total) {
            return false;
        }
        previousEnd = range.end;
    }
    return true;
}

} // namespace

std::int64_t ResumeJournal::recordedBytes() const {
    std::int64_t bytes = 0;
    for (const ByteRange& range : ranges) {
        bytes += range.length();
    }
    return bytes;
}

bool ResumeJournal::sameFile(std::int64_t otherTotal, const std::string& otherEtag,
                             const std::string& otherLastModified) const {
    return total == otherTotal && etag == otherEtag && lastModified == otherLastModified;
}

std::string FormatJournal(const ResumeJournal& journal) {
    std::string text(kFirstLine);
    text += "address " + journal.address + "\n";
    text += "total " + std::to_string(journal.total) + "\n";
    text += "etag " + journal.etag + "\n";
    text += "last-modified " + journal.lastModified + "\n";
    for (const ByteRange& range : journal.ranges) {
        text += "range " + std::to_string(range.start) + " " + std::to_string(range.end) + "\n";
    }
    text += std::string(kChecksumKey) + hex(checksumOf(text)) + "\n";
    return text;
}

std::optional<ResumeJournal> ParseJournal(std::string_view text) {
    const auto checksumAt = text.rfind(kChecksumKey);
    if (text.substr(0, kFirstLine.size()) != kFirstLine || checksumAt == std::string_view::npos ||
        (checksumAt > 0 && text[checksumAt - 1] != '\n')) {
        return std::nullopt;
    }
    const std::string_view body = text.substr(0, checksumAt);
    if (text.substr(checksumAt) != std::string(kChecksumKey) + hex(checksumOf(body)) + "\n") {
        return std::nullopt;
    }
    ResumeJournal journal;
    journal.total = -1;
    std::string_view rest = body.substr(kFirstLine.size());
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        if (end == std::string_view::npos || !readLine(rest.substr(0, end), journal)) {
            return std::nullopt;
        }
        rest.remove_prefix(end + 1);
    }
    if (journal.total < 0 || journal.address.empty() || !rangesFit(journal.ranges, journal.total)) {
        return std::nullopt;
    }
    return journal;
}

} // namespace tb::download
