#include "download/segment_ledger.h"

#include <limits>
#include <utility>

namespace tb::download {
namespace {

// Length of the one segment of a response whose size is not announced.
constexpr std::int64_t kUnknownLength = std::numeric_limits<std::int64_t>::max() / 4;
// Longest single wait for a neighbour's answer, so that cancellation is seen in time.
constexpr std::chrono::milliseconds kWaitSlice(50);

} // namespace

SegmentLedger::SegmentLedger(int connections) : m_table(connections) {}

void SegmentLedger::beginFresh(std::optional<std::int64_t> total, int count) {
    std::lock_guard lock(m_mutex);
    m_total = total;
    m_table.splitInitial(total.value_or(kUnknownLength), count);
}

void SegmentLedger::beginResumed(std::int64_t total, const std::vector<ByteRange>& onDisk) {
    std::lock_guard lock(m_mutex);
    m_total = total;
    m_resumed = MergedRanges(onDisk);
    m_resumedBytes = 0;
    for (const ByteRange& range : m_resumed) {
        m_resumedBytes += range.length();
    }
    m_table.restoreMissing(MissingRanges(m_resumed, total));
}

std::optional<std::int64_t> SegmentLedger::total() const {
    std::lock_guard lock(m_mutex);
    return m_total;
}

std::optional<int> SegmentLedger::takeFree(int owner) {
    std::lock_guard lock(m_mutex);
    return m_table.takeFree(owner);
}

std::optional<int> SegmentLedger::splitLargest(std::int64_t receiveBuffer, int owner) {
    std::lock_guard lock(m_mutex);
    return m_table.splitLargest(receiveBuffer, owner);
}

std::optional<int> SegmentLedger::takeContinuation(std::int64_t offset, int owner,
                                                   std::chrono::milliseconds patience,
                                                   const std::function<bool()>& cancelled) {
    const auto giveUpAt = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(m_mutex);
    for (;;) {
        const auto index = m_table.findAt(offset);
        if (!index) {
            return std::nullopt;
        }
        const Segment& next = m_table.at(*index);
        if (!next.assigned && m_rangesRefused) {
            return m_table.takeAt(offset, owner);
        }
        const bool undecided = next.assigned ? !next.receiving : !next.tried;
        if (!undecided || cancelled() || std::chrono::steady_clock::now() >= giveUpAt) {
            return std::nullopt;
        }
        m_changed.wait_for(lock, kWaitSlice);
    }
}

void SegmentLedger::refuseRanges() {
    {
        std::lock_guard lock(m_mutex);
        m_rangesRefused = true;
    }
    m_changed.notify_all();
}

bool SegmentLedger::rangesRefused() const {
    std::lock_guard lock(m_mutex);
    return m_rangesRefused;
}

void SegmentLedger::setReceiving(int index) {
    {
        std::lock_guard lock(m_mutex);
        m_table.setReceiving(index);
    }
    m_changed.notify_all();
}

Claim SegmentLedger::claim(int index, std::int64_t length) {
    std::lock_guard lock(m_mutex);
    Claim claim;
    claim.offset = m_table.at(index).offset();
    claim.segmentEnd = m_table.at(index).end();
    claim.accepted = m_table.claim(index, length);
    claim.finishesSegment = m_table.at(index).finished();
    m_receivedSinceQuery += claim.accepted;
    return claim;
}

void SegmentLedger::commit(int index, std::int64_t length) {
    std::lock_guard lock(m_mutex);
    m_table.commit(index, length);
    m_written += length;
}

void SegmentLedger::release(int index) {
    {
        std::lock_guard lock(m_mutex);
        m_table.release(index);
    }
    m_changed.notify_all();
}

void SegmentLedger::settleLength(int index) {
    std::lock_guard lock(m_mutex);
    m_table.settleLength(index);
}

Segment SegmentLedger::segment(int index) const {
    std::lock_guard lock(m_mutex);
    return m_table.at(index);
}

std::int64_t SegmentLedger::bytesWritten() const {
    std::lock_guard lock(m_mutex);
    return m_resumedBytes + m_written;
}

std::int64_t SegmentLedger::resumedBytes() const {
    std::lock_guard lock(m_mutex);
    return m_resumedBytes;
}

std::int64_t SegmentLedger::takeReceivedSinceQuery() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_receivedSinceQuery, 0);
}

std::vector<ByteRange> SegmentLedger::rangesOnDisk() const {
    std::lock_guard lock(m_mutex);
    std::vector<ByteRange> ranges = m_resumed;
    const std::vector<ByteRange> written = m_table.writtenParts();
    ranges.insert(ranges.end(), written.begin(), written.end());
    return MergedRanges(std::move(ranges));
}

bool SegmentLedger::complete() const {
    std::lock_guard lock(m_mutex);
    return m_table.size() > 0 && m_table.allFinished();
}

} // namespace tb::download
