#include "platform/disk_space.h"

#include "data/local_text.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/statvfs.h>

namespace tb::platform {
namespace {

namespace fs = std::filesystem;

// The folder itself or its nearest existing parent, absolute and without "." or "..".
std::optional<fs::path> nearestExisting(std::string_view localFolder) {
    std::error_code error;
    const std::string utf8 = LocalToUtf8(localFolder);
    fs::path path = utf8.empty() ? fs::current_path(error) : fs::absolute(fs::path(utf8), error);
    if (error) {
        return std::nullopt;
    }
    path = path.lexically_normal();
    while (!fs::exists(path, error)) {
        if (!path.has_relative_path()) {
            return std::nullopt;
        }
        path = path.parent_path();
    }
    const fs::path canonical = fs::canonical(path, error);
    return error ? path : canonical;
}

// Undoes the octal escapes (\040 for a blank ...) of a mountinfo field.
std::string unescapeMountField(const std::string& field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

bool isPathPrefix(const std::string& prefix, const std::string& path) {
    if (prefix == "/") {
        return true;
    }
    return path.compare(0, prefix.size(), prefix) == 0 &&
           (path.size() == prefix.size() || path[prefix.size()] == '/');
}

// The longest mount point in /proc/self/mountinfo that contains path.
std::string mountPointContaining(const std::string& path) {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string best;
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if (!(fields >> id >> parent >> device >> root >> mountPoint)) {
            continue;
        }
        mountPoint = unescapeMountField(mountPoint);
        if (isPathPrefix(mountPoint, path) && mountPoint.size() >= best.size()) {
            best = mountPoint;
        }
    }
    return best.empty() ? "/" : best;
}

} // namespace

long long FreeSpaceBytes(std::string_view folder) {
    const std::optional<fs::path> existing = nearestExisting(folder);
    struct statvfs info {};
    if (!existing || ::statvfs(existing->c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
}

long long FreeSpaceKb(std::string_view folder) {
    const long long bytes = FreeSpaceBytes(folder);
    return bytes < 0 ? -1 : bytes / 1024;
}

std::string MountPointOf(std::string_view folder) {
    const std::optional<fs::path> existing = nearestExisting(folder);
    if (!existing) {
        return {};
    }
    return Utf8ToLocal(mountPointContaining(existing->string()));
}

} // namespace tb::platform
