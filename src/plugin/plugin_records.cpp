#include "plugin/plugin_records.h"

#include "data/local_text.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"

namespace tb::plugin {

std::string DownloadLogName() {
    return Utf8ToLocal("下载信息.TXT");
}

std::string ErrorLogName() {
    return Utf8ToLocal("错误信息.TXT");
}

std::string OkRecord(const std::string& savedPath, const std::string& playUrl) {
    return Utf8ToLocal("本次下载：  ") + savedPath + "    " + playUrl + "      - OK -\r\n";
}

std::string ErrorRecord(const std::string& path, const std::string& playUrl) {
    return Utf8ToLocal("错误任务：  ") + path + "    " + playUrl + "\r\n";
}

void AppendOkRecord(const std::string& targetPath, const std::string& savedPath,
                    const std::string& playUrl) {
    platform::AppendToFile(platform::FolderOf(targetPath) + DownloadLogName(),
                           OkRecord(savedPath, playUrl));
}

void AppendErrorRecord(const std::string& path, const std::string& playUrl) {
    const std::string folder = platform::FolderOf(path);
    if (!folder.empty() && !platform::FolderExists(folder)) {
        platform::CreateFolderPath(folder);
    }
    platform::AppendToFile(folder + ErrorLogName(), ErrorRecord(path, playUrl));
}

} // namespace tb::plugin
