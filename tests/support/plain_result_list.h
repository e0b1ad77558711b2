#pragma once
// The in-memory result list, counting the clears and focus requests the core makes, for
// core tests that need no window.

#include "catalogue/memory_result_list.h"

#include <atomic>

namespace tb::test {

class PlainResultList : public MemoryResultList {
public:
    void clearRows() override {
        MemoryResultList::clearRows();
        ++m_clearCount;
    }
    void focus() override { ++m_focusCount; }

    int focusCount() const { return m_focusCount; }
    int clearCount() const { return m_clearCount; }

private:
    std::atomic<int> m_focusCount = 0;
    std::atomic<int> m_clearCount = 0;
};

} // namespace tb::test
