#pragma once
// Turns the stop requests a command-line program receives (SIGINT from Ctrl-C, SIGTERM from
// kill or a service manager) into a call, so the program can end its work cleanly instead of
// dying in the middle of it.

#include <atomic>
#include <functional>
#include <thread>

namespace tb::platform {

class StopSignalWatcher {
public:
    // Blocks SIGINT and SIGTERM in the calling thread, which every thread started afterwards
    // inherits, so create the watcher before any other thread. onSignal runs on the watcher's
    // own thread ("tb-signals") for each signal that arrives.
    explicit StopSignalWatcher(std::function<void(int signal)> onSignal);
    // Stops watching and unblocks the signals again.
    ~StopSignalWatcher();
    StopSignalWatcher(const StopSignalWatcher&) = delete;
    StopSignalWatcher& operator=(const StopSignalWatcher&) = delete;

    // False when the signals could not be watched (they then keep their default action).
    bool watching() const { return m_signalFd >= 0; }
    // The last signal received, 0 when none.
    int received() const { return m_received.load(); }

private:
    void watch();

    std::function<void(int)> m_onSignal;
    int m_signalFd = -1;
    int m_wakeFd = -1;
    std::atomic<int> m_received{0};
    std::thread m_thread;
};

} // namespace tb::platform
