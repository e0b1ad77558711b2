#include "platform/positional_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb::platform {
namespace {

// Opening races with a task that renames or replaces the file; a few tries settle it.
constexpr int kOpenTries = 3;

int writeAll(int fd, std::uint64_t offset, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::pwrite(fd, data, length, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;
        }
        data += written;
        offset += static_cast<std::uint64_t>(written);
        length -= static_cast<std::size_t>(written);
    }
    return 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

PositionalFile::~PositionalFile() {
    close();
}

int PositionalFile::open(const std::string& path, Open mode) {
    if (isOpen()) {
        return EBUSY;
    }
    const int flags =
        O_RDWR | O_CLOEXEC | O_NOFOLLOW | (mode == Open::CreateNew ? O_CREAT | O_EXCL : 0);
    int error = 0;
    for (int attempt = 0; attempt < kOpenTries; ++attempt) {
        const int fd = ::open(path.c_str(), flags, 0644);
        if (fd < 0) {
            return errno;
        }
        error = lockAndCheck(fd, path);
        if (error == 0) {
            m_fd = fd;
            m_path = path;
            return 0;
        }
        ::close(fd);
        if (error != ESTALE) {
            return error;
        }
    }
    return EWOULDBLOCK;
}

// Locks fd and makes sure path still names it: a task that held the lock may have renamed
// the file away before letting go. ESTALE asks for another try.
int PositionalFile::lockAndCheck(int fd, const std::string& path) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return errno == EINTR ? ESTALE : errno;
    }
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) != 0) {
        return errno;
    }
    if (!S_ISREG(opened.st_mode)) {
        return EISDIR;
    }
    if (::lstat(path.c_str(), &named) != 0 || !sameFile(opened, named)) {
        return ESTALE;
    }
    return 0;
}

std::uint64_t PositionalFile::size() const {
    struct stat info {};
    return isOpen() && ::fstat(m_fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

std::uint64_t PositionalFile::allocatedBytes() const {
    struct stat info {};
    return isOpen() && ::fstat(m_fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_blocks) * 512
                                                 : 0;
}

int PositionalFile::resize(std::uint64_t size) {
    if (!isOpen()) {
        return EBADF;
    }
    return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int PositionalFile::writeAt(std::uint64_t offset, const void* data, std::size_t length) {
    if (!isOpen()) {
        return EBADF;
    }
    return writeAll(m_fd, offset, static_cast<const char*>(data), length);
}

int PositionalFile::sync() {
    if (!isOpen()) {
        return EBADF;
    }
    return ::fdatasync(m_fd) == 0 ? 0 : errno;
}

void PositionalFile::close() {
    if (isOpen()) {
        ::close(m_fd); // also releases the lock
        m_fd = -1;
    }
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without the no-replace rename: a hard link fails on an existing name too.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

int ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".new";
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return errno;
    }
    int error = writeAll(fd, 0, bytes.data(), bytes.size());
    if (error == 0 && ::fdatasync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) <= limit) {
        std::string text(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t got = 0;
        ssize_t step = 0;
        while (got < text.size() && (step = ::read(fd, text.data() + got, text.size() - got)) > 0) {
            got += static_cast<std::size_t>(step);
        }
        if (got == text.size()) {
            bytes = std::move(text);
        }
    }
    ::close(fd);
    return bytes;
}

int RemoveFileIfPresent(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno;
}

int SyncFolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

std::optional<std::uint64_t> ExistingFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace tb::platform
