#include "batch/plugin_handoff.h"

#include "catalogue/song_detail.h"
#include "data/local_text.h"
#include "download/download_worker.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"
#include "platform/process_launch.h"
#include "platform/prompt.h"
#include "plugin/path_codec.h"
#include "plugin/plugin_extras.h"

namespace tb::batch {

void ReleasePlugin(const PluginImage& image) {
    if (platform::FileExists(kPluginProgram) || platform::FolderExists(kPluginProgram)) {
        return;
    }
    const std::optional<std::string> bytes = image ? image() : std::nullopt;
    if (bytes && !bytes->empty()) {
        platform::WriteProgramFile(kPluginProgram, *bytes);
    }
}

void OnPluginSwitchClicked(bool ticked, const PluginImage& image) {
    if (!ticked) {
        return;
    }
    ReleasePlugin(image);
    DownloadBusy = false;
    platform::ShowPrompt(
        Utf8ToLocal("回调将不会有提示 自己看下载 目录  这个速度将超乎你的想象！快反应~  "
                    "就是不提示 没有写回调接口返回信息"));
}

std::string PluginCommandLine(const std::string& targetPath, const std::string& playUrl,
                              const tags::SongExtras& extras) {
    // Without a play address the helper must see one argument and end, as it always has.
    const std::string extraArguments =
        playUrl.empty() ? std::string() : plugin::PluginExtrasArguments(extras);
    return " " + plugin::EncodePluginPath(targetPath) + " " + playUrl + extraArguments;
}

PluginLaunch LaunchPluginDownload(const std::string& targetPath, const std::string& playInfoAddress,
                                  const tags::SongExtras& extras) {
    std::string image;
    std::string lyrics;
    PluginLaunch launch;
    launch.playUrl = ResolveSongDetail(playInfoAddress, image, lyrics);
    if (!launch.playUrl.empty()) {
        // "./" keeps the lookup in the current folder, never a program of that name elsewhere.
        launch.helper =
            platform::StartChildProcess(std::string("./") + kPluginProgram,
                                        PluginCommandLine(targetPath, launch.playUrl, extras));
    }
    return launch;
}

} // namespace tb::batch
