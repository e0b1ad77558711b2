#pragma once
// Free space of the file system that holds a folder. The folder need not exist yet: its
// nearest existing parent is asked instead (a save folder is created only later).

#include <string>
#include <string_view>

namespace tb::platform {

// Bytes available to this user on the file system holding folder (local text, relative
// to the current folder when not absolute, the current folder when empty); -1 on failure.
long long FreeSpaceBytes(std::string_view folder);
// The same in whole kilobytes (1024 bytes); -1 on failure.
long long FreeSpaceKb(std::string_view folder);
// Mount point of that file system as local text ("/", "/home", ...): the "drive" a user
// is shown. "" on failure.
std::string MountPointOf(std::string_view folder);

} // namespace tb::platform
