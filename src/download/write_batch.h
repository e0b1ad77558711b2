#pragma once
// The bytes one connection has received for its segment but not yet written: they go to the
// file in large pieces, far fewer writes than one per received block. Bytes wait at most
// kMaxWait, so what is on disk (and in the journal) is never far behind what has arrived.

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace tb::download {

class WriteBatch {
public:
    // Writes consecutive bytes of a segment at offset; false when the write failed.
    using Writer =
        std::function<bool(int segment, std::int64_t offset, const char* data, std::size_t length)>;

    static constexpr std::size_t kCapacity = 256 * 1024;
    static constexpr std::chrono::milliseconds kMaxWait{500};

    explicit WriteBatch(Writer writer);

    // Adds bytes of segment that belong at offset. What is pending is written first when they
    // do not follow on from it; everything is written once the batch is full or old enough.
    // False when a write failed (the bytes then count as not received).
    bool add(int segment, std::int64_t offset, const char* data, std::size_t length);
    // Writes what is pending; false when that failed.
    bool flush();
    bool empty() const { return m_bytes.empty(); }

private:
    Writer m_writer;
    std::vector<char> m_bytes;
    int m_segment = -1;
    std::int64_t m_offset = 0;
    std::chrono::steady_clock::time_point m_firstAdded;
};

} // namespace tb::download
