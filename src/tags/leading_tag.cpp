#include "tags/leading_tag.h"

namespace tb::tags {
namespace {

constexpr std::size_t kHeaderBytes = 10;
constexpr std::size_t kFooterBytes = 10;
constexpr unsigned char kExtendedHeaderFlag = 0x40;
constexpr unsigned char kFooterFlag = 0x10;

unsigned char byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

// Four bytes of seven bits each, most significant first; false when a byte uses its top bit.
bool readSyncsafe(std::string_view bytes, std::size_t at, std::uint32_t& value) {
    value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const unsigned char byte = byteAt(bytes, at + i);
        if (byte > 0x7F) {
            return false;
        }
        value = value << 7 | byte;
    }
    return true;
}

std::uint32_t readPlain(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | byteAt(bytes, at + i);
    }
    return value;
}

// Flags each version defines: 2.2 unsynchronisation and compression, 2.3 adds the extended
// header and experimental flags, 2.4 the footer.
unsigned char definedFlags(unsigned char major) {
    return major == 2 ? 0xC0 : major == 3 ? 0xE0 : 0xF0;
}

// The extended header right after the header must fit the tag (tagSize: the bytes after
// the header). In 2.3 its size leaves out the size field itself and is 6 or 10; in 2.4 it
// is a syncsafe size of the whole extended header (at least 6) with one flag byte.
bool extendedHeaderFits(std::string_view head, unsigned char major, std::uint32_t tagSize) {
    if (major == 3) {
        if (head.size() < kHeaderBytes + 4) {
            return false;
        }
        const std::uint32_t size = readPlain(head, kHeaderBytes);
        return (size == 6 || size == 10) && size + 4 <= tagSize;
    }
    std::uint32_t size = 0;
    return head.size() >= kHeaderBytes + 5 && readSyncsafe(head, kHeaderBytes, size) && size >= 6 &&
           size <= tagSize && byteAt(head, kHeaderBytes + 4) == 1;
}

} // namespace

std::uint64_t LeadingTagLength(std::string_view head) {
    if (head.size() < kHeaderBytes || head.substr(0, 3) != "ID3") {
        return 0;
    }
    const unsigned char major = byteAt(head, 3);
    const unsigned char revision = byteAt(head, 4);
    const unsigned char flags = byteAt(head, 5);
    std::uint32_t tagSize = 0;
    if (major < 2 || major > 4 || revision == 0xFF || (flags & ~definedFlags(major)) != 0 ||
        !readSyncsafe(head, 6, tagSize)) {
        return 0;
    }
    if (major != 2 && (flags & kExtendedHeaderFlag) != 0 &&
        !extendedHeaderFits(head, major, tagSize)) {
        return 0;
    }
    const bool footer = major == 4 && (flags & kFooterFlag) != 0;
    return kHeaderBytes + std::uint64_t{tagSize} + (footer ? kFooterBytes : 0);
}

} // namespace tb::tags
