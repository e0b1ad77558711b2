#pragma once
// Keeping the window alive during long operations. The core calls these; the application
// installs handlers backed by its event loop. Without handlers (command-line tools, core
// tests) processing does nothing and a wait simply sleeps.

#include <functional>

namespace tb::platform {

// Lets the window process its pending events once.
void ProcessPendingEvents();
// Waits milliseconds while the window keeps processing events (no busy spinning).
void WaitProcessingEvents(int milliseconds);

void setPendingEventsHandler(std::function<void()> handler);
void setWaitHandler(std::function<void(int milliseconds)> handler);

// Runs a call on the user-interface thread, in order, without waiting for it. Without a
// handler the call runs at once on the caller's thread.
void PostToUiThread(std::function<void()> call);
void setUiThreadPoster(std::function<void(std::function<void()>)> poster);

} // namespace tb::platform
