#pragma once
// Process-wide state of the program: created at start, released by the exit routine.

#include <string>
#include <vector>

namespace tb::app {

struct AppState {
    // Command-line arguments after the program name, local text.
    std::vector<std::string> arguments;
    // Lyric lines of the song being auditioned.
    std::vector<std::string> lyricLines;
    // What the next click on the song-name header does: tick all (false) or untick all.
    bool allTicked = false;
    // True while the free-layout check box is ticked; the drag handlers read it.
    bool layoutEdit = false;
};

AppState& appState();

// Releases the process-wide state; run once when the program ends, whatever way it ends.
void RunExitRoutine();

} // namespace tb::app
