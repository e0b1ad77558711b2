#pragma once
// The time limits of one transfer, checked by its owner whenever curl gives it a turn:
//   - stall: no byte has moved for this long;
//   - head: the final response's header block is not whole this long after the request
//     went out, however steadily its bytes drip;
//   - rate: fewer bytes moved over the floor's window than the floor asks (a body that
//     drips a byte now and then is as dead as a silent one).
// Time the owner spends in its own handlers does not count against the peer.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

namespace tb::transport {

// The slowest transfer that is still alive, averaged over a sliding window.
struct RateFloor {
    std::int64_t bytesPerSecond = 1024; // 0: no floor
    std::chrono::milliseconds window{30000};
};

// The floor of the program's downloads; tests give shorter windows.
inline constexpr RateFloor kDefaultRateFloor{};
inline constexpr RateFloor kNoRateFloor{0, std::chrono::milliseconds(0)};

struct TransferLimits {
    std::chrono::milliseconds stall{0}; // 0: no stall limit
    std::chrono::milliseconds head{0};  // 0: no limit on the header phase
    RateFloor rate = kNoRateFloor;
};

enum class WatchVerdict { Fine, Stalled, HeadTooSlow, TooSlow };

class TransferWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit TransferWatch(TransferLimits limits = {}) : m_limits(limits) {}

    void setLimits(const TransferLimits& limits) { m_limits = limits; }
    // The transfer begins: every clock starts, nothing has moved.
    void start(Clock::time_point now);
    // A request went out (again, after a redirect): the header phase starts.
    void requestSent(Clock::time_point now) { m_headSince = now; }
    // The final response's header block is whole.
    void headArrived() { m_headSince.reset(); }
    void moved(std::int64_t bytes, Clock::time_point now);
    // The owner spent this long in its own handler: the clocks move on by as much.
    void paused(Clock::duration spent);
    WatchVerdict check(Clock::time_point now);

private:
    struct Sample {
        Clock::time_point at;
        std::int64_t total = 0;
    };

    bool belowRateFloor(Clock::time_point now);

    TransferLimits m_limits;
    std::int64_t m_total = 0;
    Clock::time_point m_lastMove;
    std::optional<Clock::time_point> m_headSince;
    std::deque<Sample> m_samples; // totals at past checks, oldest first
};

} // namespace tb::transport
