#include "player/wait_until.h"

#include "platform/events.h"

#include <chrono>

namespace tb::player {
namespace {

constexpr int kPollMs = 5;

} // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline || platform::RequestsAbandoned()) {
            return false;
        }
        platform::WaitProcessingEvents(kPollMs);
    }
    return true;
}

} // namespace tb::player
