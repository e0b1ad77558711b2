#include "tags/lyrics_file.h"

#include "data/local_text.h"
#include "platform/positional_file.h"
#include "tags/file_beside.h"
#include "tags/lrc_lyrics.h"

#include <vector>

namespace tb::tags {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

bool holdsExactly(std::string_view path, const std::string& bytes) {
    const auto existing = platform::ReadFileUpTo(LocalToUtf8(path), bytes.size());
    return existing && *existing == bytes;
}

} // namespace

std::string LyricsFilePath(std::string_view songPath) {
    const std::size_t slash = songPath.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = songPath.find_last_of('.');
    const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
    return std::string(hasExtension ? songPath.substr(0, dot) : songPath) + ".lrc";
}

std::optional<std::string> LyricsFileBytes(std::string_view lyrics) {
    const std::string utf8 = LocalToUtf8(lyrics);
    if (ParseLrc(utf8).timed.empty()) {
        return std::nullopt;
    }
    std::vector<std::string_view> lines = LrcLines(utf8);
    while (!lines.empty() && isBlank(lines.back())) {
        lines.pop_back();
    }
    std::size_t first = 0;
    while (first < lines.size() && isBlank(lines[first])) {
        ++first;
    }
    std::string bytes(kByteOrderMark);
    for (std::size_t i = first; i < lines.size(); ++i) {
        bytes.append(lines[i]).append("\r\n");
    }
    return bytes;
}

LyricsFileResult WriteLyricsFile(std::string_view songPath, std::string_view lyrics) {
    const auto bytes = LyricsFileBytes(lyrics);
    if (!bytes) {
        return LyricsFileResult::NoTimedLines;
    }
    const std::string path = LyricsFilePath(songPath);
    FileBeside file(path);
    if (!file.create() || !file.append(*bytes)) {
        return LyricsFileResult::Failed;
    }
    switch (file.publish()) {
    case PublishResult::Published:
        return LyricsFileResult::Written;
    case PublishResult::TargetExists:
        return holdsExactly(path, *bytes) ? LyricsFileResult::AlreadyThere
                                          : LyricsFileResult::OtherKept;
    case PublishResult::Failed:
        break;
    }
    return LyricsFileResult::Failed;
}

} // namespace tb::tags
