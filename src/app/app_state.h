#pragma once
// Process-wide state of the program: created at start, released by the exit routine.

#include <memory>
#include <string>
#include <vector>

namespace tb {
class ResultList;
}

namespace tb::download {
class DownloadEngine;
class DownloadWorker;
} // namespace tb::download

namespace tb::app {

struct AppState {
    AppState();
    ~AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) noexcept;

    // Command-line arguments after the program name, local text.
    std::vector<std::string> arguments;
    // What the next click on the song-name header does: tick all (false) or untick all.
    bool allTicked = false;
    // True while the free-layout check box is ticked; the drag handlers read it.
    bool layoutEdit = false;
    // The one download engine and the worker that downloads listed songs with it; both
    // exist from the start-up's engine step to the exit routine.
    std::unique_ptr<download::DownloadEngine> downloadEngine;
    std::unique_ptr<download::DownloadWorker> downloadWorker;
};

AppState& appState();

// Creates the download engine with its settings (receive buffer in bytes, retry wait in
// milliseconds, retry count) and the worker that writes into the given list's rows.
void InitDownloadEngine(ResultList& rows, int receiveBufferBytes, int retryWaitMs, int retryCount);
// Stops a running task, lets its last row updates reach the list, and releases the worker
// and the engine. Call while the list still exists.
void ReleaseDownloadEngine();

// Releases the process-wide state; run once when the program ends, whatever way it ends,
// before the main window's list goes away.
void RunExitRoutine();

} // namespace tb::app
