#pragma once
// The operations of the application shell itself: ticking, copying, the popup menu, the
// About window, the layout-edit switch and keeping the picture window behind the front window.

class QWidget;

namespace tb::app {

// Opacity of the front windows, so that the picture window shows through.
inline constexpr double kFrontWindowOpacity = 210.0 / 255.0;

class MainWindow;
class PictureWindow;

// A click on the header of the given column; only the song-name column ticks or unticks
// every row, alternately.
void ToggleAllTicks(MainWindow& window, int column);
// Puts the selected row's song name on the clipboard; nothing without a selected row.
void CopySongName(MainWindow& window);
// Opens the list's popup menu at the mouse cursor.
void ShowListMenu(MainWindow& window);
// After a short pause, focuses the keyword box and selects its whole text.
void SelectKeyword(MainWindow& window);
// Hides the main window and shows the About window modally; returns when it is closed.
void OpenAbout(MainWindow& window);
// Follows the free-layout check box: sets the layout-edit flag and the white background.
void ToggleLayoutEdit(MainWindow& window);

enum class PictureAnchor { MainMoved, MainResized, MainActivated, AboutClosing, AboutMoved };
// Keeps the picture window one pixel inside the front window and below it. about is the
// About window for the two About events. A resize of the main window only moves the
// picture window: nothing is raised or shown.
void KeepPictureBehind(MainWindow& window, PictureAnchor event, QWidget* about = nullptr);
// Makes the picture fill the picture window.
void FitPicture(PictureWindow& window);
// Brings the picture window to the front.
void RaisePicture(PictureWindow& window);

} // namespace tb::app
