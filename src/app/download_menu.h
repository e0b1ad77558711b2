#pragma once
// The download options of the result list's popup menu: "写入歌曲标签" (write the song's
// tag) and "保存歌词文件" (save a lyrics file), kept in "下载选项.ini" beside the layout file.

#include <string>

namespace tb::app {

class MainWindow;

// The options file in the program's configuration folder, as local text; "" when there is
// no such folder.
std::string DownloadOptionsFilePath();

// Ticks the two menu items as the options file says (start-up; both off without a file).
void LoadDownloadOptions(MainWindow& window);
// Either menu item was toggled: both states are written, the folder made when missing. A
// failed write is not reported, like the layout's.
void SaveDownloadOptions(MainWindow& window);

} // namespace tb::app
