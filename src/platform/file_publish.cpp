#include "platform/file_publish.h"

#include "data/local_text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tb::platform {
namespace {

constexpr int kNameAttempts = 100;
constexpr mode_t kProgramMode = 0755;

std::string randomLetters(int count) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string letters;
    for (int i = 0; i < count; ++i) {
        letters += kLetters[pick(source)];
    }
    return letters;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file of a random name in folder, opened for writing; -1 when none can be made.
int createUniqueFile(const std::string& folder, std::string_view prefix, std::string& localPath) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        localPath = folder + std::string(prefix) + randomLetters(10) + ".part";
        const std::string path = LocalToUtf8(localPath);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

} // namespace

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::optional<std::string> WriteTemporaryFileIn(std::string_view folder, std::string_view prefix,
                                                std::string_view bytes) {
    std::optional<TemporaryFile> file = TemporaryFile::CreateIn(folder, prefix);
    if (!file) {
        return std::nullopt;
    }
    const bool written = file->append(bytes);
    if (!file->close() || !written) {
        ::unlink(LocalToUtf8(file->path()).c_str());
        return std::nullopt;
    }
    return file->path();
}

std::optional<TemporaryFile> TemporaryFile::CreateIn(std::string_view folder,
                                                     std::string_view prefix) {
    std::string localPath;
    std::string base(folder);
    if (!base.empty() && base.back() != '/') {
        base += '/';
    }
    const int fd = createUniqueFile(base, prefix, localPath);
    if (fd < 0) {
        return std::nullopt;
    }
    return TemporaryFile(fd, std::move(localPath));
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

TemporaryFile::~TemporaryFile() {
    close();
}

bool TemporaryFile::append(std::string_view bytes) {
    return m_fd >= 0 && writeAll(m_fd, bytes);
}

bool TemporaryFile::restart() {
    return m_fd >= 0 && ::ftruncate(m_fd, 0) == 0 && ::lseek(m_fd, 0, SEEK_SET) == 0;
}

bool TemporaryFile::close() {
    if (m_fd < 0) {
        return false;
    }
    return ::close(std::exchange(m_fd, -1)) == 0;
}

MoveResult MoveFileNoReplace(std::string_view from, std::string_view to) {
    const std::string source = LocalToUtf8(from);
    const std::string target = LocalToUtf8(to);
    if (source.empty() || target.empty()) {
        return MoveResult::Failed;
    }
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return MoveResult::Moved;
    }
    if (errno == EEXIST) {
        return MoveResult::TargetExists;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return MoveResult::Failed;
    }
    // File systems without the no-replace rename: a hard link also refuses an existing name.
    if (::link(source.c_str(), target.c_str()) != 0) {
        return errno == EEXIST ? MoveResult::TargetExists : MoveResult::Failed;
    }
    ::unlink(source.c_str());
    return MoveResult::Moved;
}

bool WriteProgramFile(std::string_view path, std::string_view bytes) {
    const std::optional<std::string> temporary =
        WriteTemporaryFileIn(FolderOf(path), ".program-", bytes);
    if (!temporary) {
        return false;
    }
    const std::string temporaryPath = LocalToUtf8(*temporary);
    const bool placed = ::chmod(temporaryPath.c_str(), kProgramMode) == 0 &&
                        MoveFileNoReplace(*temporary, path) == MoveResult::Moved;
    if (!placed) {
        ::unlink(temporaryPath.c_str());
    }
    return placed;
}

} // namespace tb::platform
