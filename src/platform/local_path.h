#pragma once
// Paths cross into the operating system here: the program holds them as local text
// (GB18030), the file system takes UTF-8.

#include <filesystem>
#include <string>
#include <string_view>

namespace tb::platform {

// File-system path of a path in local text.
std::filesystem::path ToFsPath(std::string_view localPath);
// Local text of a file-system path (bytes that are not UTF-8 become "?").
std::string ToLocalPath(const std::filesystem::path& path);
// The path ending in "/" (one is added when missing; "" stays "").
std::string WithTrailingSlash(std::string path);

} // namespace tb::platform
