#include "batch/helper_pool.h"

#include <algorithm>

namespace tb::batch {

HelperPool::HelperPool(int maxHelpers) : m_maxHelpers(std::max(1, maxHelpers)) {}

void HelperPool::add(platform::ChildId helper, HelperJob job) {
    m_running.push_back({helper, std::move(job)});
}

std::vector<HelperJob> HelperPool::reapEnded() {
    std::vector<HelperJob> failed;
    std::erase_if(m_running, [&failed](Running& running) {
        const std::optional<platform::ChildEnd> end = platform::ReapChild(running.helper);
        if (!end) {
            return false;
        }
        if (!end->orderly) {
            failed.push_back(std::move(running.job));
        }
        return true;
    });
    return failed;
}

} // namespace tb::batch
