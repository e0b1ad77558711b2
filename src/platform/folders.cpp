#include "platform/folders.h"

#include "data/local_text.h"
#include "platform/local_path.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tb::platform {
namespace {

bool isFolder(const char* path) {
    struct stat info {};
    return path != nullptr && *path != '\0' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

std::string localFolder(const std::string& utf8Path) {
    return WithTrailingSlash(Utf8ToLocal(utf8Path));
}

} // namespace

std::string TemporaryFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    return localFolder(isFolder(fromEnvironment) ? fromEnvironment : "/tmp");
}

std::string CurrentFolder() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return localFolder(buffer.data());
}

std::string HomeFolder() {
    const char* fromEnvironment = std::getenv("HOME");
    if (isFolder(fromEnvironment)) {
        return localFolder(fromEnvironment);
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && isFolder(found->pw_dir)) {
        return localFolder(found->pw_dir);
    }
    return {};
}

} // namespace tb::platform
