#pragma once
// The player page's events, handed to the audition player over the main window's
// controls. Each window gets its audition on its first player event.

namespace tb::app {

class MainWindow;

void AuditionSelectedRow(MainWindow& window);
void StopAudition(MainWindow& window);
void SeekAudition(MainWindow& window);
void ApplyVolume(MainWindow& window);
void AuditionTick(MainWindow& window);
void OnLocalPlayerProgress(MainWindow& window, int percent);
void CloseAudition(MainWindow& window);

} // namespace tb::app
