#include "download/write_batch.h"

#include <utility>

namespace tb::download {

WriteBatch::WriteBatch(Writer writer) : m_writer(std::move(writer)) {
    m_bytes.reserve(kCapacity);
}

bool WriteBatch::add(int segment, std::int64_t offset, const char* data, std::size_t length) {
    const bool followsOn =
        segment == m_segment && offset == m_offset + static_cast<std::int64_t>(m_bytes.size());
    if (!followsOn && !flush()) {
        return false;
    }
    if (m_bytes.empty()) {
        m_segment = segment;
        m_offset = offset;
        m_firstAdded = std::chrono::steady_clock::now();
    }
    m_bytes.insert(m_bytes.end(), data, data + length);
    if (m_bytes.size() >= kCapacity ||
        std::chrono::steady_clock::now() - m_firstAdded >= kMaxWait) {
        return flush();
    }
    return true;
}

bool WriteBatch::flush() {
    if (m_bytes.empty()) {
        return true;
    }
    const bool written = m_writer(m_segment, m_offset, m_bytes.data(), m_bytes.size());
    m_bytes.clear();
    return written;
}

} // namespace tb::download
