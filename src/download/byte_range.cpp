#include "download/byte_range.h"

#include <algorithm>

namespace tb::download {

std::vector<ByteRange> MergedRanges(std::vector<ByteRange> ranges) {
    std::erase_if(ranges, [](const ByteRange& range) { return range.end <= range.start; });
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
    std::vector<ByteRange> merged;
    for (const ByteRange& range : ranges) {
        if (!merged.empty() && range.start <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, range.end);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

std::vector<ByteRange> MissingRanges(const std::vector<ByteRange>& ranges, std::int64_t total) {
    std::vector<ByteRange> missing;
    std::int64_t at = 0;
    for (const ByteRange& range : ranges) {
        if (range.start > at) {
            missing.push_back({at, std::min(range.start, total)});
        }
        at = std::max(at, range.end);
    }
    if (at < total) {
        missing.push_back({at, total});
    }
    return missing;
}

} // namespace tb::download
