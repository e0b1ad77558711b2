#pragma once
// Which byte ranges of a download are fetched by which connection. Plain bookkeeping with
// no threads or sockets: the engine calls it under its table lock.

#include <cstdint>
#include <optional>
#include <vector>

namespace tb::download {

struct Segment {
    bool assigned = false;
    bool split = false; // made by cutting another segment
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::int64_t done = 0;
    int owner = -1; // connection number while assigned

    bool finished() const { return done >= length; }
    std::int64_t remaining() const { return length - done; }
    std::int64_t offset() const { return start + done; }
    std::int64_t end() const { return start + length; }
};

class SegmentTable {
public:
    // Files below this size are fetched as one segment.
    static constexpr std::int64_t kSplitThreshold = 4096;

    // Room for 10 entries per started group of 10 connections.
    explicit SegmentTable(int connections = 1);

    // The first split of a file of totalSize bytes over count connections: equal parts,
    // the last one also taking the remainder; one segment below kSplitThreshold.
    void splitInitial(std::int64_t totalSize, int count);

    // Assigns the first segment that is neither assigned nor finished to owner.
    std::optional<int> takeFree(int owner);
    // Cuts the segment with the most bytes left in two when at least twice receiveBuffer
    // bytes are left: the old one keeps the first half (rounded up), a new assigned segment
    // gets the rest. Returns the new segment.
    std::optional<int> splitLargest(std::int64_t receiveBuffer, int owner);

    // Claims up to length bytes at the segment's current offset; returns the bytes that fit
    // before the segment's end (0 when finished).
    std::int64_t claim(int index, std::int64_t length);
    void release(int index);
    // Ends a segment whose length was not known in advance at the bytes received.
    void settleLength(int index);

    const Segment& at(int index) const { return m_segments.at(index); }
    int size() const { return static_cast<int>(m_segments.size()); }
    std::size_t capacity() const { return m_segments.capacity(); }
    bool allFinished() const;
    std::int64_t doneBytes() const;

private:
    void growIfFull();

    std::vector<Segment> m_segments;
};

} // namespace tb::download
