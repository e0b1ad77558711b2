// Empty bodies of the operations whose subsystems are not built yet (see the header).

#include "app/later_operations.h"

namespace tb::app {

void ApplySkin(int) {}
void UnloadSkins() {}

void LoadLayout(MainWindow&) {}
void SaveLayoutOnResize(MainWindow&) {}
bool DragPlayerControl(MainWindow&, QWidget&) {
    return false;
}


} // namespace tb::app
