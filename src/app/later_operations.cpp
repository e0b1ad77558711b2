// Empty bodies of the operations whose subsystems are not built yet (see the header).

#include "app/later_operations.h"

namespace tb::app {

void DownloadTickedSongs(MainWindow&) {}
void ReleasePlugin(MainWindow&) {}

void AuditionSelectedRow(MainWindow&) {}
void StopAudition(MainWindow&) {}
void SeekAudition(MainWindow&) {}
void ApplyVolume(MainWindow&) {}
void AuditionTick(MainWindow&) {}
void OnLocalPlayerProgress(MainWindow&, int) {}
void CloseAudition(MainWindow&) {}

} // namespace tb::app
