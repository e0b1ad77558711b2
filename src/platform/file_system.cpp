#include "platform/file_system.h"

#include "data/local_text.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb::platform {
namespace {

std::string fsPath(std::string_view localPath) {
    return LocalToUtf8(localPath);
}

bool statPath(std::string_view localPath, struct stat* info) {
    const std::string path = fsPath(localPath);
    return !path.empty() && ::stat(path.c_str(), info) == 0;
}

// Writes all bytes, resuming after interrupted or partial writes.
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool writeFile(std::string_view localPath, std::string_view bytes, int openFlags) {
    const std::string path = fsPath(localPath);
    if (path.empty()) {
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | openFlags, 0666);
    if (fd < 0) {
        return false;
    }
    const bool written = writeAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

// The path with a link resolved to the file it names; the path itself when it names
// nothing yet (or the link dangles).
std::string resolvedPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// A new, empty file beside the target, created with the given permissions; -1 on failure.
int createSiblingFile(const std::string& target, mode_t mode, std::string& created) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = folder + "." + name + "." + std::to_string(::getpid()) + "." +
                  std::to_string(counter++) + ".tmp";
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Makes a rename inside the folder durable.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool FileExists(std::string_view path) {
    struct stat info {};
    return statPath(path, &info) && !S_ISDIR(info.st_mode);
}

bool FolderExists(std::string_view path) {
    struct stat info {};
    return statPath(path, &info) && S_ISDIR(info.st_mode);
}

bool ReadFileInPieces(std::string_view localPath,
                      const std::function<void(std::string_view)>& piece) {
    const std::string path = fsPath(localPath);
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return false; // also a folder: read fails with EISDIR
        }
        piece(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    ::close(fd);
    return true;
}

std::optional<std::string> ReadWholeFile(std::string_view localPath) {
    std::string bytes;
    if (!ReadFileInPieces(localPath, [&bytes](std::string_view got) { bytes.append(got); })) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes, O_TRUNC);
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes, O_APPEND);
}

bool ReplaceFileContents(std::string_view localPath, std::string_view bytes) {
    const std::string requested = fsPath(localPath);
    if (requested.empty()) {
        return false;
    }
    const std::string path = resolvedPath(requested);
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::access(path.c_str(), W_OK) != 0)) {
        return false;
    }
    std::string temporary;
    const int fd = createSiblingFile(path, exists ? (existing.st_mode & 07777) : 0666, temporary);
    if (fd < 0) {
        return false;
    }
    // The creation mode passed through the umask; an existing file's own bits are restored.
    bool done = (!exists || ::fchmod(fd, existing.st_mode & 07777) == 0) && writeAll(fd, bytes) &&
                ::fsync(fd) == 0;
    done = ::close(fd) == 0 && done;
    if (!done || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

bool DeleteFile(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool CreateFolder(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool CreateFolderPath(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    if (path.empty()) {
        return false;
    }
    // Each level in turn; a level that exists already is fine.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string level = path.substr(0, end);
        if (::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    return FolderExists(localPath);
}

} // namespace tb::platform
