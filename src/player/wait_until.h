#pragma once
// Waiting for the media back end, which reports through the event loop.

#include <functional>

namespace tb::player {

// Waits, processing the window's events, until done() answers true (true) or timeoutMs
// have passed or the program is ending (false). done() is asked every few milliseconds.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

} // namespace tb::player
