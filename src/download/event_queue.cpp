#include "download/event_queue.h"

#include "download/download_settings.h"

namespace tb::download {

void EventQueue::push(const TaskEvent& event) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        wasEmpty = m_events.empty();
        m_events.push_back(event);
    }
    // The control thread drains the whole queue before it waits again.
    if (wasEmpty && event.kind != kEventBlock) {
        m_changed.notify_one();
    }
}

void EventQueue::connectionStarting() {
    std::lock_guard lock(m_mutex);
    ++m_live;
}

void EventQueue::connectionEnded(const TaskEvent& event) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
        --m_live;
    }
    m_changed.notify_one();
}

EventQueue::Next EventQueue::next(TaskEvent& event, std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return !m_events.empty() || m_live == 0; };
    if (!m_changed.wait_until(lock, until, ready)) {
        return Next::TimedOut;
    }
    if (m_events.empty()) {
        return Next::Drained;
    }
    event = m_events.front();
    m_events.pop_front();
    return Next::Event;
}

int EventQueue::liveConnections() const {
    std::lock_guard lock(m_mutex);
    return m_live;
}

} // namespace tb::download
