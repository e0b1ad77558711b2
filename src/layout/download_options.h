#pragma once
// The two switches of a batch download that are kept from run to run, in their own small
// profile file beside the layout file: "下载选项.ini", section "下载", keys "写入歌曲标签"
// (write the song's tag) and "保存歌词文件" (save a lyrics file), each "1" (on) or "0" (off).
// GB18030, like the layout file.

#include <string>
#include <string_view>

namespace tb::layout {

struct DownloadOptions {
    bool writeSongTags = false;
    bool saveLyricsFile = false;
    bool operator==(const DownloadOptions&) const = default;
};

// The file's name (local text), to be put in the program's configuration folder.
const std::string& DownloadOptionsFileName();

// The stored switches; a missing file, key or a value that is not a number other than 0
// reads as off.
DownloadOptions LoadDownloadOptions(std::string_view file);
// Stores both switches; false when the file could not be written (the folder must exist).
bool SaveDownloadOptions(std::string_view file, const DownloadOptions& options);

} // namespace tb::layout
