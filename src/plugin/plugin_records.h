#pragma once
// The two logs in a song's folder that tell what became of each helper download: the
// helper appends its own record, and the main program appends the error record of a helper
// that could not start or ended without writing one. Shared, so the record texts cannot
// drift apart. Paths and addresses are local text.

#include <string>

namespace tb::plugin {

// Log names in the target's folder (local text).
std::string DownloadLogName();
std::string ErrorLogName();

// "本次下载：  " + savedPath + "    " + playUrl + "      - OK -\r\n"
std::string OkRecord(const std::string& savedPath, const std::string& playUrl);
// "错误任务：  " + path + "    " + playUrl + "\r\n"
std::string ErrorRecord(const std::string& path, const std::string& playUrl);

// Appends the OK record to the download log in the folder of targetPath.
void AppendOkRecord(const std::string& targetPath, const std::string& savedPath,
                    const std::string& playUrl);
// Appends the error record of path to the error log of its folder, creating the folder
// chain first when it is missing: the record goes where the user looks for the song.
void AppendErrorRecord(const std::string& path, const std::string& playUrl);

} // namespace tb::plugin
