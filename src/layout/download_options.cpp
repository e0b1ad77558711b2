#include "layout/download_options.h"

#include "data/local_text.h"
#include "layout/profile_file.h"

namespace tb::layout {
namespace {

const std::string& section() {
    static const std::string name = Utf8ToLocal("下载");
    return name;
}

const std::string& songTagsKey() {
    static const std::string name = Utf8ToLocal("写入歌曲标签");
    return name;
}

const std::string& lyricsFileKey() {
    static const std::string name = Utf8ToLocal("保存歌词文件");
    return name;
}

bool readSwitch(std::string_view file, const std::string& key) {
    return LocalToInt(ReadProfileString(file, section(), key)) != 0;
}

bool writeSwitch(std::string_view file, const std::string& key, bool on) {
    return WriteProfileString(file, section(), key, on ? "1" : "0");
}

} // namespace

const std::string& DownloadOptionsFileName() {
    static const std::string name = Utf8ToLocal("下载选项.ini");
    return name;
}

DownloadOptions LoadDownloadOptions(std::string_view file) {
    return {readSwitch(file, songTagsKey()), readSwitch(file, lyricsFileKey())};
}

bool SaveDownloadOptions(std::string_view file, const DownloadOptions& options) {
    const bool tags = writeSwitch(file, songTagsKey(), options.writeSongTags);
    return writeSwitch(file, lyricsFileKey(), options.saveLyricsFile) && tags;
}

} // namespace tb::layout
