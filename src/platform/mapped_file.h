#pragma once
// A download target: a file created new (never over an existing one), given its full size
// at once (blocks reserved, so a full disk fails at creation instead of faulting later) and
// mapped into memory so that several connections copy their data straight to their offsets.
// A file of unknown size grows as data arrives. Paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tb::platform {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Creates path exclusively with size bytes reserved and mapped. A size of 0 makes a
    // growable file (size unknown). Returns 0 or the errno of the step that failed.
    int createNew(const std::string& path, std::uint64_t size, bool growable);
    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t size() const { return m_size; }

    // Copies bytes at offset. A fixed-size file refuses data past its end; a growable one
    // grows first (callers serialise writes to a growable file). Returns 0 or an errno.
    int writeAt(std::uint64_t offset, const void* data, std::size_t length);

    // Lets the pages wholly inside [offset, offset + length) go from this process's memory;
    // their data stays in the file (the mapping is shared). Keeps the memory of a large
    // download small; the pages come back if touched again.
    void releasePages(std::uint64_t offset, std::uint64_t length);

    // Unmaps and closes; a growable file is first cut to keptSize bytes.
    void close(std::optional<std::uint64_t> keptSize = std::nullopt);
    // Closes and deletes the file this object created.
    void discard();

private:
    int reserve(std::uint64_t size);
    int mapWhole();
    void unmap();

    int m_fd = -1;
    std::string m_path;
    unsigned char* m_data = nullptr;
    std::uint64_t m_size = 0;
    std::uint64_t m_mapped = 0;
    bool m_growable = false;
};

// Size of an existing file (empty when there is no file at path).
std::optional<std::uint64_t> existingFileSize(const std::string& path);

} // namespace tb::platform
