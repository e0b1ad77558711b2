#include "platform/mapped_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb::platform {
namespace {

// First reservation of a file whose size is not announced; it doubles as data arrives.
constexpr std::uint64_t kGrowthStep = 64 * 1024;

} // namespace

MappedFile::~MappedFile() {
    close();
}

int MappedFile::createNew(const std::string& path, std::uint64_t size, bool growable) {
    if (isOpen()) {
        return EBUSY;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    m_fd = fd;
    m_path = path;
    m_growable = growable;
    const int error = reserve(growable && size == 0 ? kGrowthStep : size);
    if (error != 0) {
        discard();
        return error;
    }
    if (!growable) {
        m_size = size;
    }
    return 0;
}

int MappedFile::reserve(std::uint64_t size) {
    if (size == 0) {
        return 0;
    }
    // fallocate reserves real blocks; file systems without it get a sparse file instead.
    int error = ::posix_fallocate(m_fd, 0, static_cast<off_t>(size));
    if (error == EOPNOTSUPP || error == EINVAL) {
        error = ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }
    if (error != 0) {
        return error;
    }
    unmap();
    m_mapped = size;
    return mapWhole();
}

int MappedFile::mapWhole() {
    void* data = ::mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (data == MAP_FAILED) {
        m_mapped = 0;
        return errno;
    }
    m_data = static_cast<unsigned char*>(data);
    return 0;
}

void MappedFile::unmap() {
    if (m_data != nullptr) {
        ::munmap(m_data, m_mapped);
        m_data = nullptr;
    }
}

int MappedFile::writeAt(std::uint64_t offset, const void* data, std::size_t length) {
    if (!isOpen()) {
        return EBADF;
    }
    const std::uint64_t end = offset + length;
    if (m_growable && end > m_mapped) {
        const int error = reserve(std::max(end, m_mapped * 2));
        if (error != 0) {
            return error;
        }
    }
    if (end > m_mapped || (!m_growable && end > m_size)) {
        return EFBIG;
    }
    std::memcpy(m_data + offset, data, length);
    if (m_growable && end > m_size) {
        m_size = end;
    }
    return 0;
}

void MappedFile::releasePages(std::uint64_t offset, std::uint64_t length) {
    static const auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const std::uint64_t first = (offset + pageSize - 1) / pageSize * pageSize;
    const std::uint64_t end = std::min(offset + length, m_mapped) / pageSize * pageSize;
    if (m_data != nullptr && first < end) {
        ::madvise(m_data + first, end - first, MADV_DONTNEED);
    }
}

void MappedFile::close(std::optional<std::uint64_t> keptSize) {
    if (!isOpen()) {
        return;
    }
    unmap();
    if (m_growable) {
        const std::uint64_t size = keptSize.value_or(m_size);
        [[maybe_unused]] const int ignored = ::ftruncate(m_fd, static_cast<off_t>(size));
    }
    ::close(m_fd);
    m_fd = -1;
    m_mapped = 0;
}

void MappedFile::discard() {
    const bool created = isOpen();
    close();
    if (created) {
        ::unlink(m_path.c_str());
    }
    m_size = 0;
}

std::optional<std::uint64_t> existingFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace tb::platform
