#pragma once
// The first-in, first-out queue between a task's connection threads, which report, and its
// control thread, which delivers the reports one by one; it also counts the live connections,
// so the control thread knows when the last one has ended.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace tb::download {

struct TaskEvent {
    int kind = 0; // an event kind, or kStartConnection
    int connection = 0;
    std::int64_t value = 0;
    std::int64_t second = 0;
};

// Not an event for the receiver: asks the control thread to start one more connection.
constexpr int kStartConnection = -1;

class EventQueue {
public:
    enum class Next {
        Event,   // an event was taken
        Drained, // nothing is queued and no connection is live
        TimedOut
    };

    // Queues an event. Block reports (kind 16) are many and urgent to nobody: they do not
    // wake the control thread, which collects them at its next look.
    void push(const TaskEvent& event);
    void connectionStarting();
    // Queues a connection's last event and counts it as ended.
    void connectionEnded(const TaskEvent& event);
    // Takes the next event, or waits for one (or for the last connection's end) until until.
    Next next(TaskEvent& event, std::chrono::steady_clock::time_point until);
    int liveConnections() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TaskEvent> m_events;
    int m_live = 0;
};

} // namespace tb::download
