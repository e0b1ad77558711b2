#include "platform/file_system.h"

#include "data/local_text.h"

#include <cerrno>
#include <cstdio>
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

} // namespace

bool FileExists(std::string_view path) {
    struct stat info {};
    return statPath(path, &info) && !S_ISDIR(info.st_mode);
}

bool FolderExists(std::string_view path) {
    struct stat info {};
    return statPath(path, &info) && S_ISDIR(info.st_mode);
}

std::optional<std::string> ReadWholeFile(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes;
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
            return std::nullopt; // also a folder: read fails with EISDIR
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes, O_TRUNC);
}

bool AppendToFile(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes, O_APPEND);
}

bool DeleteFile(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool CreateFolder(std::string_view localPath) {
    const std::string path = fsPath(localPath);
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace tb::platform
