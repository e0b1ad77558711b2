#pragma once
// Which byte ranges of a download are fetched by which connection. Plain bookkeeping with
// no threads or sockets: the engine calls it under its table lock.

#include "download/byte_range.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tb::download {

struct Segment {
    bool assigned = false;
    bool split = false; // made by cutting another segment
    std::int64_t start = 0;
    std::int64_t length = 0;
    std::int64_t done = 0;    // bytes claimed by the owner (being written or written)
    std::int64_t written = 0; // bytes [start, start + written) are in the file
    int owner = -1;           // connection number while assigned
    bool receiving = false;   // the owner has an accepted answer for this segment
    bool tried = false;       // some connection has been given it

    bool finished() const { return done >= length; }
    std::int64_t remaining() const { return length - done; }
    std::int64_t offset() const { return start + done; }
    std::int64_t end() const { return start + length; }
};

// Bytes of one received block that a segment takes.
struct Claim {
    std::int64_t offset = 0;     // where they go in the file
    std::int64_t segmentEnd = 0; // where the segment ends
    std::int64_t accepted = 0;   // how many fit before the segment's end
    bool finishesSegment = false;
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
    // The table of a resumed download: one segment per range still missing.
    void restoreMissing(const std::vector<ByteRange>& missing);

    // Assigns the first segment that is neither assigned nor finished to owner.
    std::optional<int> takeFree(int owner);
    // Assigns the free segment that goes on exactly at offset (where a connection's answer
    // goes on past its own segment), if there is one.
    std::optional<int> takeAt(std::int64_t offset, int owner);
    // The segment that goes on exactly at offset, whatever its state.
    std::optional<int> findAt(std::int64_t offset) const;
    // Cuts the segment with the most bytes left in two when at least twice receiveBuffer
    // bytes are left: the old one keeps the first half (rounded up), a new assigned segment
    // gets the rest. Returns the new segment.
    std::optional<int> splitLargest(std::int64_t receiveBuffer, int owner);

    // Claims up to length bytes at the segment's current offset; returns the bytes that fit
    // before the segment's end (0 when finished).
    std::int64_t claim(int index, std::int64_t length);
    // Records that claimed bytes are now in the file.
    void commit(int index, std::int64_t length);
    void setReceiving(int index);
    // Frees the segment; bytes claimed but never written are claimed again by the next owner.
    void release(int index);
    // Ends a segment whose length was not known in advance at the bytes received.
    void settleLength(int index);

    const Segment& at(int index) const { return m_segments.at(index); }
    int size() const { return static_cast<int>(m_segments.size()); }
    std::size_t capacity() const { return m_segments.capacity(); }
    bool allFinished() const;
    std::int64_t doneBytes() const;
    // [start, end) of every written part, in table order.
    std::vector<ByteRange> writtenParts() const;

private:
    void growIfFull();

    std::vector<Segment> m_segments;
};

} // namespace tb::download
