#include "platform/process_list.h"

#include "data/local_text.h"

#include <algorithm>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <utility>

namespace tb::platform {
namespace {

// Target of a symbolic link; empty optional when it cannot be read.
std::optional<std::string> readLink(const std::string& link) {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(length));
    // A replaced or removed executable reads as "/path/name (deleted)".
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) {
        target.resize(target.size() - kDeleted.size());
    }
    return target;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The command name of /proc/<pid>/comm without its line end.
std::optional<std::string> readCommandName(const std::string& procFolder) {
    const int fd = ::open((procFolder + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    char buffer[64];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string name(buffer, static_cast<std::size_t>(length));
    while (!name.empty() && name.back() == '\n') {
        name.pop_back();
    }
    return name.empty() ? std::nullopt : std::optional<std::string>(name);
}

std::optional<std::string> processName(const std::string& procFolder) {
    if (const std::optional<std::string> exe = readLink(procFolder + "/exe")) {
        const std::string name = baseName(*exe);
        if (!name.empty()) {
            return name;
        }
    }
    return readCommandName(procFolder);
}

// Process ids listed in /proc, in ascending order.
std::vector<long> processIds() {
    std::vector<long> ids;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return ids;
    }
    while (const dirent* entry = ::readdir(proc)) {
        const std::string_view name = entry->d_name;
        long id = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
        if (error == std::errc() && end == name.data() + name.size()) {
            ids.push_back(id);
        }
    }
    ::closedir(proc);
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

std::vector<std::string> RunningProcessNames() {
    std::vector<std::string> names;
    for (const long id : processIds()) {
        if (std::optional<std::string> name = processName("/proc/" + std::to_string(id))) {
            names.push_back(Utf8ToLocal(*name));
        }
    }
    return names;
}

std::string OwnExecutablePath() {
    return Utf8ToLocal(readLink("/proc/self/exe").value_or(std::string()));
}

std::string OwnExecutableName() {
    const std::optional<std::string> name = processName("/proc/self");
    return name ? Utf8ToLocal(*name) : std::string();
}

} // namespace tb::platform
