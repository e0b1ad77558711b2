#include "download/segment_table.h"

#include <algorithm>

namespace tb::download {
namespace {

constexpr std::size_t kGrowth = 10;

std::size_t roundedToTens(std::size_t count) {
    return std::max<std::size_t>(kGrowth, (count + kGrowth - 1) / kGrowth * kGrowth);
}

} // namespace

SegmentTable::SegmentTable(int connections) {
    m_segments.reserve(roundedToTens(static_cast<std::size_t>(std::max(connections, 1))));
}

void SegmentTable::splitInitial(std::int64_t totalSize, int count) {
    m_segments.clear();
    if (totalSize < kSplitThreshold || count < 1) {
        count = 1;
    }
    const std::int64_t part = totalSize / count;
    for (int i = 0; i < count; ++i) {
        growIfFull();
        Segment segment;
        segment.start = part * i;
        segment.length = i + 1 == count ? totalSize - part * i : part;
        m_segments.push_back(segment);
    }
}

void SegmentTable::restoreMissing(const std::vector<ByteRange>& missing) {
    m_segments.clear();
    for (const ByteRange& range : missing) {
        growIfFull();
        Segment segment;
        segment.start = range.start;
        segment.length = range.length();
        m_segments.push_back(segment);
    }
}

std::optional<int> SegmentTable::takeFree(int owner) {
    for (int i = 0; i < size(); ++i) {
        Segment& segment = m_segments[i];
        if (!segment.assigned && !segment.finished()) {
            segment.assigned = true;
            segment.tried = true;
            segment.owner = owner;
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> SegmentTable::takeAt(std::int64_t offset, int owner) {
    const auto index = findAt(offset);
    if (!index || m_segments[*index].assigned) {
        return std::nullopt;
    }
    m_segments[*index].assigned = true;
    m_segments[*index].tried = true;
    m_segments[*index].owner = owner;
    return index;
}

std::optional<int> SegmentTable::findAt(std::int64_t offset) const {
    for (int i = 0; i < size(); ++i) {
        if (m_segments[i].offset() == offset && !m_segments[i].finished()) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> SegmentTable::splitLargest(std::int64_t receiveBuffer, int owner) {
    int largest = -1;
    for (int i = 0; i < size(); ++i) {
        if (largest < 0 || m_segments[i].remaining() > m_segments[largest].remaining()) {
            largest = i;
        }
    }
    if (largest < 0 || m_segments[largest].remaining() < 2 * receiveBuffer) {
        return std::nullopt;
    }
    growIfFull();
    Segment& old = m_segments[largest];
    const std::int64_t remaining = old.remaining();
    const std::int64_t kept = (remaining + 1) / 2;
    Segment added;
    added.assigned = true;
    added.tried = true;
    added.split = true;
    added.owner = owner;
    added.start = old.offset() + kept;
    added.length = remaining - kept;
    old.length = old.done + kept;
    m_segments.push_back(added);
    return size() - 1;
}

std::int64_t SegmentTable::claim(int index, std::int64_t length) {
    Segment& segment = m_segments.at(index);
    const std::int64_t fits = std::clamp<std::int64_t>(segment.remaining(), 0, length);
    segment.done += fits;
    return fits;
}

void SegmentTable::commit(int index, std::int64_t length) {
    m_segments.at(index).written += length;
}

void SegmentTable::setReceiving(int index) {
    m_segments.at(index).receiving = true;
}

void SegmentTable::release(int index) {
    Segment& segment = m_segments.at(index);
    segment.assigned = false;
    segment.receiving = false;
    segment.owner = -1;
    segment.done = segment.written;
}

void SegmentTable::settleLength(int index) {
    Segment& segment = m_segments.at(index);
    segment.length = segment.done;
}

bool SegmentTable::allFinished() const {
    return std::all_of(m_segments.begin(), m_segments.end(),
                       [](const Segment& segment) { return segment.finished(); });
}

std::int64_t SegmentTable::doneBytes() const {
    std::int64_t total = 0;
    for (const Segment& segment : m_segments) {
        total += segment.done;
    }
    return total;
}

std::vector<ByteRange> SegmentTable::writtenParts() const {
    std::vector<ByteRange> parts;
    for (const Segment& segment : m_segments) {
        if (segment.written > 0) {
            parts.push_back({segment.start, segment.start + segment.written});
        }
    }
    return parts;
}

void SegmentTable::growIfFull() {
    if (m_segments.size() == m_segments.capacity()) {
        m_segments.reserve(m_segments.size() + kGrowth);
    }
}

} // namespace tb::download
