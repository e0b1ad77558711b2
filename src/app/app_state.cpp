#include "app/app_state.h"

#include "app/later_operations.h"

namespace tb::app {

AppState& appState() {
    static AppState state;
    return state;
}

void RunExitRoutine() {
    UnloadSkins();
    ReleaseDownloadEngine();
    AppState& state = appState();
    state.arguments = {};
    state.lyricLines = {};
    state.allTicked = false;
    state.layoutEdit = false;
}

} // namespace tb::app
