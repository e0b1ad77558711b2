#pragma once
// The layout subsystem over the main window: where the layout file lives, restoring and
// saving the player page's arrangement, and the main window's resize hook.

#include <string>

namespace tb::app {

class MainWindow;

// The layout file, "自由排版.ini" in the program's configuration folder
// ($XDG_CONFIG_HOME/tunebatch/ by default), as local text; "" when there is no such folder.
std::string LayoutFilePath();

// Restores the stored arrangement and window size (start-up).
void LoadLayout(MainWindow& window);
// Writes the current arrangement and window size, creating the folder when it is missing.
void SaveLayout(MainWindow& window);
// The main window's size changed: the picture window follows it, and while the layout is
// being edited the layout is saved.
void SaveLayoutOnResize(MainWindow& window);

} // namespace tb::app
