#include "transport/transfer_watch.h"

#include <algorithm>

namespace tb::transport {
namespace {

// Samples kept per rate window: enough to slide smoothly, few enough to stay small.
constexpr int kSamplesPerWindow = 30;

} // namespace

void TransferWatch::start(Clock::time_point now) {
    m_total = 0;
    m_lastMove = now;
    m_headSince.reset();
    m_samples.clear();
    m_samples.push_back({now, 0});
}

void TransferWatch::moved(std::int64_t bytes, Clock::time_point now) {
    m_total += bytes;
    m_lastMove = now;
}

void TransferWatch::paused(Clock::duration spent) {
    if (m_headSince) {
        *m_headSince += spent;
    }
    for (Sample& sample : m_samples) {
        sample.at += spent;
    }
}

WatchVerdict TransferWatch::check(Clock::time_point now) {
    if (m_limits.stall.count() > 0 && now - m_lastMove > m_limits.stall) {
        return WatchVerdict::Stalled;
    }
    if (m_limits.head.count() > 0 && m_headSince && now - *m_headSince > m_limits.head) {
        return WatchVerdict::HeadTooSlow;
    }
    return belowRateFloor(now) ? WatchVerdict::TooSlow : WatchVerdict::Fine;
}

// Compares what moved since the newest sample at least a window old with what the floor
// asks for that time. Until a whole window has passed there is nothing to judge.
bool TransferWatch::belowRateFloor(Clock::time_point now) {
    const RateFloor& floor = m_limits.rate;
    if (floor.bytesPerSecond <= 0 || floor.window.count() <= 0) {
        return false;
    }
    const auto spacing =
        std::max<Clock::duration>(floor.window / kSamplesPerWindow, std::chrono::milliseconds(1));
    if (m_samples.empty() || now - m_samples.back().at >= spacing) {
        m_samples.push_back({now, m_total});
    }
    while (m_samples.size() >= 2 && now - m_samples[1].at >= floor.window) {
        m_samples.pop_front();
    }
    const Sample& oldest = m_samples.front();
    if (now - oldest.at < floor.window) {
        return false;
    }
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - oldest.at).count();
    return (m_total - oldest.total) * 1000 < floor.bytesPerSecond * elapsedMs;
}

} // namespace tb::transport
