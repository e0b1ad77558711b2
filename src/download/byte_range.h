#pragma once
// Byte ranges of a file, as the segment table hands them out and the resume journal keeps them.

#include <cstdint>
#include <vector>

namespace tb::download {

// The bytes [start, end) of a file.
struct ByteRange {
    std::int64_t start = 0;
    std::int64_t end = 0;

    std::int64_t length() const { return end - start; }
    bool operator==(const ByteRange&) const = default;
};

// Sorted, merged ranges: touching or overlapping ones become one, empty ones go.
std::vector<ByteRange> MergedRanges(std::vector<ByteRange> ranges);
// The parts of [0, total) that ranges (sorted, merged) do not cover.
std::vector<ByteRange> MissingRanges(const std::vector<ByteRange>& ranges, std::int64_t total);

} // namespace tb::download
