#pragma once
// The helper processes a batch has started: at most a bound of them run at once, each is
// reaped when it ends (no zombie stays), and the ones that ended without writing a record
// of their own (killed, crashed, aborted) are handed back, so that their song is not lost
// without a word. No threads: the owner looks now and then, on its own thread.

#include "platform/process_launch.h"

#include <string>
#include <vector>

namespace tb::batch {

// Helpers that may run at once unless told otherwise: each needs a connection to the
// display (an X server takes about 256 clients in all) and its share of memory, and 16
// songs at once already keep a line of a few MB/s busy.
inline constexpr int kMaxHelpers = 16;

// One helper's song, as the main program knows it. Texts are local text.
struct HelperJob {
    int row = 0;
    std::string rowAddress; // the row's play-information address when it was launched
    std::string targetPath;
    std::string playUrl; // the address handed to the helper
};

class HelperPool {
public:
    explicit HelperPool(int maxHelpers = kMaxHelpers);

    int maxHelpers() const { return m_maxHelpers; }
    // Helpers started and not yet seen ending, with launches under way.
    int alive() const { return static_cast<int>(m_running.size()) + m_launching; }
    bool hasRoom() const { return alive() < m_maxHelpers; }

    // Holds a place for a launch while its address is resolved, so that a second batch
    // that runs meanwhile (inside an event pass) cannot take it too. Every beginLaunch is
    // followed by one endLaunch, then by add when the helper started.
    void beginLaunch() { ++m_launching; }
    void endLaunch() { --m_launching; }
    void add(platform::ChildId helper, HelperJob job);

    // Reaps every helper that has ended; returns the jobs of those that did not end in
    // order (their own record is missing).
    std::vector<HelperJob> reapEnded();

private:
    struct Running {
        platform::ChildId helper;
        HelperJob job;
    };

    int m_maxHelpers;
    int m_launching = 0;
    std::vector<Running> m_running;
};

} // namespace tb::batch
