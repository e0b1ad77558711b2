#pragma once
// The partial file of a download: written at offsets by several threads at once (pwrite),
// locked against a second writer, sized as a sparse file (no blocks reserved ahead of the
// data, so a huge announced size costs no disk and a full disk shows up as a failed write,
// never as a fault), and flushed with fdatasync. Paths are UTF-8; failures are errno values.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb::platform {

class PositionalFile {
public:
    enum class Open {
        Existing, // the file must exist (ENOENT otherwise)
        CreateNew // the file must not exist (EEXIST otherwise)
    };

    PositionalFile() = default;
    ~PositionalFile();
    PositionalFile(const PositionalFile&) = delete;
    PositionalFile& operator=(const PositionalFile&) = delete;

    // Opens path for reading and writing without following a symbolic link, and takes an
    // exclusive lock on it: EWOULDBLOCK when another task or process holds it.
    int open(const std::string& path, Open mode);
    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

    // Current length in bytes, and the bytes of disk its blocks take.
    std::uint64_t size() const;
    std::uint64_t allocatedBytes() const;
    // Sets the length; growing leaves a hole that takes no disk.
    int resize(std::uint64_t size);
    // Writes all length bytes at offset (safe from several threads at different offsets).
    int writeAt(std::uint64_t offset, const void* data, std::size_t length);
    // Waits until every byte written so far is on disk (fdatasync).
    int sync();
    // Releases the lock and closes.
    void close();

private:
    int lockAndCheck(int fd, const std::string& path);

    int m_fd = -1;
    std::string m_path;
};

// Renames from onto to, unless to exists (EEXIST; nothing is overwritten).
int RenameNoReplace(const std::string& from, const std::string& to);
// Puts bytes into path through a temporary name beside it: written, flushed, then renamed
// over path, so that path holds the old or the new bytes, never a mix of both.
int ReplaceFileAtomically(const std::string& path, std::string_view bytes);
// The whole file when it exists and holds at most limit bytes.
std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t limit);
// Deletes a file; 0 also when there was none.
int RemoveFileIfPresent(const std::string& path);
// Flushes the folder holding path, so that a rename into it survives a power cut.
int SyncFolderOf(const std::string& path);
// Size of an existing file (empty when there is no file at path).
std::optional<std::uint64_t> ExistingFileSize(const std::string& path);

} // namespace tb::platform
