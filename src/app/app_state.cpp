#include "app/app_state.h"

#include "download/download_engine.h"
#include "download/download_worker.h"
#include "platform/events.h"
#include "skins/skins.h"

namespace tb::app {

AppState::AppState() = default;
AppState::~AppState() = default;
AppState::AppState(AppState&&) noexcept = default;
AppState& AppState::operator=(AppState&&) noexcept = default;

AppState& appState() {
    static AppState state;
    return state;
}

void InitDownloadEngine(ResultList& rows, int receiveBufferBytes, int retryWaitMs, int retryCount) {
    AppState& state = appState();
    ReleaseDownloadEngine();
    state.downloadEngine = std::make_unique<download::DownloadEngine>();
    state.downloadEngine->initialise(receiveBufferBytes, retryWaitMs, retryCount);
    state.downloadWorker = std::make_unique<download::DownloadWorker>(*state.downloadEngine, rows);
}

void ReleaseDownloadEngine() {
    AppState& state = appState();
    if (state.downloadEngine && state.downloadEngine->running()) {
        state.downloadEngine->stop();
    }
    // The worker hands its last row updates to the user-interface thread; they must run
    // while the worker and the list still exist.
    platform::ProcessPendingEvents();
    state.downloadWorker.reset();
    state.downloadEngine.reset();
}

void RunExitRoutine() {
    skins::UnloadSkins();
    ReleaseDownloadEngine();
    AppState& state = appState();
    state.arguments = {};
    state.allTicked = false;
    state.layoutEdit = false;
}

} // namespace tb::app
