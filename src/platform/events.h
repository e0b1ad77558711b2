#pragma once
// Keeping the window alive during long operations. The core calls these; the application
// installs handlers backed by its event loop. Without handlers (command-line tools, core
// tests) processing does nothing and a wait simply sleeps.

#include <functional>
#include <memory>

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

// The program is ending: every web request waiting now, and every one started later, ends
// at once as a failure, so the operation waiting on it unwinds and the program ends with
// no request left running. Safe from any thread.
void AbandonWaitingRequests();
bool RequestsAbandoned();
// Lets requests run again (another main window in the same process, as tests make).
void ResumeRequests();

// Newest wins, for an operation that may start again while an earlier run of it still
// waits inside a nested event pass (a search restarted from the keyboard, a second
// double-click on a row). Each run takes a ticket when it starts; the ticket is superseded
// once a newer run has started, supersedeAll() was called, or requests were abandoned.
// User-interface thread only. A ticket stays valid after its LatestRun is gone.
class LatestRun {
public:
    class Ticket {
    public:
        bool superseded() const;
        // The same check as a callable, for a request to ask while it waits.
        std::function<bool()> supersededCheck() const;

    private:
        friend class LatestRun;
        Ticket(std::shared_ptr<const unsigned> latest, unsigned mine)
            : m_latest(std::move(latest)), m_mine(mine) {}
        std::shared_ptr<const unsigned> m_latest;
        unsigned m_mine;
    };

    Ticket start();
    void supersedeAll();

private:
    std::shared_ptr<unsigned> m_latest = std::make_shared<unsigned>(0);
};

} // namespace tb::platform
