#include "app/download_menu.h"

#include "app/layout_operations.h"
#include "app/main_window.h"
#include "layout/download_options.h"
#include "platform/file_publish.h"
#include "platform/file_system.h"

#include <QAction>

namespace tb::app {

std::string DownloadOptionsFilePath() {
    const std::string layoutFile = LayoutFilePath();
    return layoutFile.empty() ? std::string()
                              : platform::FolderOf(layoutFile) + layout::DownloadOptionsFileName();
}

void LoadDownloadOptions(MainWindow& window) {
    const std::string file = DownloadOptionsFilePath();
    const layout::DownloadOptions options =
        file.empty() ? layout::DownloadOptions{} : layout::LoadDownloadOptions(file);
    window.写入歌曲标签->setChecked(options.writeSongTags);
    window.保存歌词文件->setChecked(options.saveLyricsFile);
}

void SaveDownloadOptions(MainWindow& window) {
    const std::string file = DownloadOptionsFilePath();
    if (file.empty() || !platform::CreateFolderPath(platform::FolderOf(file))) {
        return;
    }
    layout::SaveDownloadOptions(
        file, {window.写入歌曲标签->isChecked(), window.保存歌词文件->isChecked()});
}

} // namespace tb::app
