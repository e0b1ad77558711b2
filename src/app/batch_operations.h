#pragma once
// The download area's events: the batch download command and the plug-in switch over the
// main window's controls.

namespace tb::app {

class MainWindow;

// `按钮_下载` clicked.
void DownloadTickedSongs(MainWindow& window);
// `选择框1` clicked; ticked is its new state.
void OnPluginSwitchClicked(MainWindow& window, bool ticked);

} // namespace tb::app
