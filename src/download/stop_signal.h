#pragma once
// A task's request to stop: raised once, read by every thread of the task, and waited on by
// a connection that pauses before trying again.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tb::download {

class StopSignal {
public:
    void raise() {
        {
            std::lock_guard lock(m_mutex);
            m_raised = true;
        }
        m_changed.notify_all();
    }
    bool raised() const { return m_raised.load(); }
    // Sleeps up to duration; returns early (true) once the signal is raised.
    bool waitFor(std::chrono::milliseconds duration) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, duration, [this] { return m_raised.load(); });
    }

private:
    std::atomic<bool> m_raised{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

} // namespace tb::download
