#pragma once
// Operations of subsystems that are not built yet. The windows are already wired to them;
// each one does nothing until its subsystem replaces the body in later_operations.cpp
// (or moves it to its own file and deletes it there).

class QWidget;

namespace tb::app {

class MainWindow;

// Appearance.
void ApplySkin(int skinNumber); // numbers 1 to 12 select a skin; others change nothing
void UnloadSkins();

// Layout persistence.
void LoadLayout(MainWindow& window);
void SaveLayoutOnResize(MainWindow& window);
// Left button pressed on one of the eight player controls; true when the press was taken.
bool DragPlayerControl(MainWindow& window, QWidget& control);


} // namespace tb::app
