#pragma once
// Operations of subsystems that are not built yet. The windows are already wired to them;
// each one does nothing until its subsystem replaces the body in later_operations.cpp
// (or moves it to its own file and deletes it there).

namespace tb::app {

class MainWindow;

// Download.
void DownloadTickedSongs(MainWindow& window);
void ReleasePlugin(MainWindow& window);

// Audition player.
void AuditionSelectedRow(MainWindow& window);
void StopAudition(MainWindow& window);
void SeekAudition(MainWindow& window);
void ApplyVolume(MainWindow& window);
void AuditionTick(MainWindow& window);
void OnLocalPlayerProgress(MainWindow& window, int percent);
void CloseAudition(MainWindow& window);

} // namespace tb::app
