#include "platform/local_path.h"

#include "data/local_text.h"

namespace tb::platform {

std::filesystem::path ToFsPath(std::string_view localPath) {
    return std::filesystem::path(LocalToUtf8(localPath));
}

std::string ToLocalPath(const std::filesystem::path& path) {
    return Utf8ToLocal(path.native());
}

std::string WithTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path;
}

} // namespace tb::platform
