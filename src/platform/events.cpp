#include "platform/events.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace tb::platform {
namespace {

// Handlers are installed once at start-up, before any other thread runs; the poster may be
// read from engine threads, so it is guarded.
std::function<void()> g_pendingEvents;
std::function<void(int)> g_wait;
std::mutex g_posterMutex;
std::function<void(std::function<void()>)> g_poster;
std::atomic<bool> g_requestsAbandoned{false};

} // namespace

void ProcessPendingEvents() {
    if (g_pendingEvents) {
        g_pendingEvents();
    }
}

void WaitProcessingEvents(int milliseconds) {
    if (milliseconds < 0) {
        milliseconds = 0;
    }
    if (g_wait) {
        g_wait(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void setPendingEventsHandler(std::function<void()> handler) {
    g_pendingEvents = std::move(handler);
}

void setWaitHandler(std::function<void(int)> handler) {
    g_wait = std::move(handler);
}

void PostToUiThread(std::function<void()> call) {
    std::function<void(std::function<void()>)> poster;
    {
        std::lock_guard lock(g_posterMutex);
        poster = g_poster;
    }
    if (poster) {
        poster(std::move(call));
    } else {
        call();
    }
}

void setUiThreadPoster(std::function<void(std::function<void()>)> poster) {
    std::lock_guard lock(g_posterMutex);
    g_poster = std::move(poster);
}

void AbandonWaitingRequests() {
    g_requestsAbandoned = true;
}

bool RequestsAbandoned() {
    return g_requestsAbandoned;
}

void ResumeRequests() {
    g_requestsAbandoned = false;
}

bool LatestRun::Ticket::superseded() const {
    return *m_latest != m_mine || RequestsAbandoned();
}

std::function<bool()> LatestRun::Ticket::supersededCheck() const {
    return [ticket = *this] { return ticket.superseded(); };
}

LatestRun::Ticket LatestRun::start() {
    return Ticket(m_latest, ++*m_latest);
}

void LatestRun::supersedeAll() {
    ++*m_latest;
}

} // namespace tb::platform
