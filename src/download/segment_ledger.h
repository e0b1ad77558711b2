#pragma once
// The segment table of one task and its byte counters under one lock, shared by the task's
// connections: who fetches which range, what has been received, and what is in the file.

#include "download/byte_range.h"
#include "download/segment_table.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace tb::download {

class SegmentLedger {
public:
    explicit SegmentLedger(int connections);

    // A fresh download: total split over count segments (one segment of unknown length when
    // the total is not announced).
    void beginFresh(std::optional<std::int64_t> total, int count);
    // A resumed download: the ranges already on disk stay; one segment per range missing.
    void beginResumed(std::int64_t total, const std::vector<ByteRange>& onDisk);
    std::optional<std::int64_t> total() const;

    std::optional<int> takeFree(int owner);
    std::optional<int> splitLargest(std::int64_t receiveBuffer, int owner);
    // For a connection whose answer goes on past its segment, at offset: takes the segment
    // that starts there when nobody fetches it and the server has refused ranges to others.
    // While that segment waits to be started, or its owner for an answer, waits (up to
    // patience, or until cancelled) to learn how it goes.
    std::optional<int> takeContinuation(std::int64_t offset, int owner,
                                        std::chrono::milliseconds patience,
                                        const std::function<bool()>& cancelled);
    // A ranged request was answered with the whole file: the server will not split it.
    void refuseRanges();
    bool rangesRefused() const;
    void setReceiving(int index);
    Claim claim(int index, std::int64_t length);
    void commit(int index, std::int64_t length);
    void release(int index);
    // A segment of unknown length ends where its data did.
    void settleLength(int index);
    Segment segment(int index) const;

    // Bytes in the file: those of an earlier try plus those written since.
    std::int64_t bytesWritten() const;
    std::int64_t resumedBytes() const;
    // Bytes received since the previous call.
    std::int64_t takeReceivedSinceQuery();
    // Everything known to be in the file, merged.
    std::vector<ByteRange> rangesOnDisk() const;
    bool complete() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    SegmentTable m_table;
    std::optional<std::int64_t> m_total;
    bool m_rangesRefused = false;
    std::vector<ByteRange> m_resumed;
    std::int64_t m_resumedBytes = 0;
    std::int64_t m_written = 0;
    std::int64_t m_receivedSinceQuery = 0;
};

} // namespace tb::download
