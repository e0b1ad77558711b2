#include "layout/profile_text.h"

#include "data/local_text.h"

#include <vector>

namespace tb::layout {
namespace {

bool isBlank(char byte) {
    return static_cast<unsigned char>(byte) <= 32;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char asciiLower(unsigned char byte) {
    return static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
}

// Equal names, ASCII letters in either case; both bytes of a two-byte character compare
// exactly, so a second byte that looks like a letter never matches its other case.
bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto byte = static_cast<unsigned char>(a[i]);
        if (isLeadByte(byte) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (asciiLower(byte) != asciiLower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

struct ProfileLine {
    enum class Kind { Other, Section, Entry };
    Kind kind = Kind::Other;
    std::size_t end = 0;        // end of the content, before CR LF or LF
    std::size_t next = 0;       // first byte of the next line
    std::string_view name;      // section or key name, without blanks
    std::size_t valueBegin = 0; // entries: the byte after "="
};

void classify(std::string_view text, std::size_t begin, ProfileLine& line) {
    const std::string_view content = text.substr(begin, line.end - begin);
    std::size_t first = 0;
    while (first < content.size() && isBlank(content[first])) {
        ++first;
    }
    if (first == content.size() || content[first] == ';') {
        return;
    }
    if (content[first] == '[') {
        const std::size_t close = FindLocal(content, "]", first + 1);
        if (close != std::string::npos) {
            line.kind = ProfileLine::Kind::Section;
            line.name = trimmed(content.substr(first + 1, close - first - 1));
        }
        return;
    }
    const std::size_t equals = FindLocal(content, "=", first);
    if (equals != std::string::npos) {
        line.kind = ProfileLine::Kind::Entry;
        line.name = trimmed(content.substr(first, equals - first));
        line.valueBegin = begin + equals + 1;
    }
}

std::vector<ProfileLine> splitLines(std::string_view text) {
    std::vector<ProfileLine> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        ProfileLine line;
        const std::size_t feed = text.find('\n', begin);
        line.end = feed == std::string::npos ? text.size() : feed;
        line.next = feed == std::string::npos ? text.size() : feed + 1;
        if (feed != std::string::npos && line.end > begin && text[line.end - 1] == '\r') {
            --line.end;
        }
        classify(text, begin, line);
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

// The first section of a name: the index of its header line, and the index just past its
// last line (the next header or the end).
struct SectionSpan {
    std::size_t header;
    std::size_t last;
};

std::optional<SectionSpan> findSection(const std::vector<ProfileLine>& lines,
                                       std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != ProfileLine::Kind::Section || !sameName(lines[i].name, name)) {
            continue;
        }
        std::size_t last = i + 1;
        while (last < lines.size() && lines[last].kind != ProfileLine::Kind::Section) {
            ++last;
        }
        return SectionSpan{i, last};
    }
    return std::nullopt;
}

const ProfileLine* findEntry(const std::vector<ProfileLine>& lines, const SectionSpan& section,
                             std::string_view key) {
    for (std::size_t i = section.header + 1; i < section.last; ++i) {
        if (lines[i].kind == ProfileLine::Kind::Entry && sameName(lines[i].name, key)) {
            return &lines[i];
        }
    }
    return nullptr;
}

std::string_view withoutWrappingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view lineEndingOf(std::string_view text) {
    const std::size_t feed = text.find('\n');
    if (feed == std::string::npos || (feed > 0 && text[feed - 1] == '\r')) {
        return "\r\n";
    }
    return "\n";
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// True when a reader finds the first marker just after the name, as in "name]" or "name=":
// never when the name holds the marker, nor when its last byte would start a two-byte
// character with the marker as second byte.
bool markerFollows(std::string_view name, std::string_view marker) {
    return FindLocal(std::string(name).append(marker), marker) == name.size();
}

bool writableNames(std::string_view section, std::string_view key, std::string_view value) {
    return !section.empty() && !key.empty() && !hasLineBreak(section) && !hasLineBreak(key) &&
           !hasLineBreak(value) && markerFollows(section, "]") && markerFollows(key, "=") &&
           key.front() != '[' && key.front() != ';';
}

std::string insertAfter(std::string_view text, const ProfileLine& anchor, std::string_view line,
                        std::string_view ending) {
    std::string out(text.substr(0, anchor.next));
    if (anchor.next == anchor.end) {
        out += ending; // the anchor was the last line and had no ending
    }
    out.append(line).append(ending);
    out.append(text.substr(anchor.next));
    return out;
}

} // namespace

std::string ProfileName(std::string_view name) {
    return std::string(trimmed(name));
}

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
    const std::vector<ProfileLine> lines = splitLines(text);
    const std::optional<SectionSpan> span = findSection(lines, trimmed(section));
    if (!span) {
        return std::nullopt;
    }
    const ProfileLine* entry = findEntry(lines, *span, trimmed(key));
    if (entry == nullptr) {
        return std::nullopt;
    }
    const std::string_view raw = text.substr(entry->valueBegin, entry->end - entry->valueBegin);
    return std::string(withoutWrappingQuotes(trimmed(raw)));
}

std::optional<std::string> SetProfileValue(std::string_view text, std::string_view section,
                                           std::string_view key, std::string_view value) {
    const std::string_view sectionName = trimmed(section);
    const std::string_view keyName = trimmed(key);
    if (!writableNames(sectionName, keyName, value)) {
        return std::nullopt;
    }
    const std::string_view ending = lineEndingOf(text);
    const std::string entryLine = std::string(keyName) + "=" + std::string(value);
    const std::vector<ProfileLine> lines = splitLines(text);
    const std::optional<SectionSpan> span = findSection(lines, sectionName);
    if (!span) {
        std::string out(text);
        if (!out.empty() && out.back() != '\n') {
            out += ending;
        }
        out.append("[").append(sectionName).append("]").append(ending);
        return out.append(entryLine).append(ending);
    }
    if (const ProfileLine* entry = findEntry(lines, *span, keyName)) {
        return std::string(text.substr(0, entry->valueBegin)) + std::string(value) +
               std::string(text.substr(entry->end));
    }
    std::size_t anchor = span->header;
    for (std::size_t i = span->header + 1; i < span->last; ++i) {
        if (lines[i].kind == ProfileLine::Kind::Entry) {
            anchor = i;
        }
    }
    return insertAfter(text, lines[anchor], entryLine, ending);
}

} // namespace tb::layout
