#include "platform/disk_space.h"

#include "data/local_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace tb::platform;

long long availableBytes(const char* path) {
    struct statvfs info {};
    if (::statvfs(path, &info) != 0) {
        return -2;
    }
    return static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
}

// Other programs write while we measure, so the answer is checked against readings
// taken just before and just after it, with room for some movement.
void expectFreeSpaceOf(const char* reference, std::string_view asked) {
    constexpr long long kSlack = 64LL << 20;
    const long long before = availableBytes(reference);
    const long long bytes = FreeSpaceBytes(asked);
    const long long kilobytes = FreeSpaceKb(asked);
    const long long after = availableBytes(reference);
    ASSERT_GT(before, 0);
    EXPECT_GE(bytes, std::min(before, after) - kSlack) << asked;
    EXPECT_LE(bytes, std::max(before, after) + kSlack) << asked;
    EXPECT_NEAR(static_cast<double>(kilobytes), static_cast<double>(bytes) / 1024.0,
                static_cast<double>(kSlack) / 1024.0);
}

TEST(DiskSpace, FreeSpaceMatchesTheFileSystem) {
    expectFreeSpaceOf("/tmp", "/tmp");
    expectFreeSpaceOf("/tmp", "/tmp/");
    expectFreeSpaceOf("/", "/");
}

TEST(DiskSpace, MissingFoldersAskTheirNearestExistingParent) {
    tb::test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::string missing = tb::Utf8ToLocal((folder.path() / "抖音歌曲cc/还没有/").string());
    expectFreeSpaceOf(folder.path().c_str(), missing);
    EXPECT_EQ(MountPointOf(missing), MountPointOf(tb::Utf8ToLocal(folder.path().string())));
    // Below a regular file the file's own file system answers.
    const fs::path plain = folder.path() / "plain";
    std::FILE* file = std::fopen(plain.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    expectFreeSpaceOf(folder.path().c_str(), (plain / "x").string());
}

TEST(DiskSpace, RelativeAndEmptyFoldersStartAtTheCurrentFolder) {
    tb::test::TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const std::string fromEmpty = MountPointOf("");
    const std::string fromRelative = MountPointOf("sub/dir");
    fs::current_path(previous);
    const std::string expected = MountPointOf(tb::Utf8ToLocal(folder.path().string()));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(fromEmpty, expected);
    EXPECT_EQ(fromRelative, expected);
}

TEST(DiskSpace, MountPointIsTheLongestContainingMount) {
    EXPECT_EQ(MountPointOf("/"), "/");
    EXPECT_EQ(MountPointOf("/proc/self"), "/proc");
    EXPECT_EQ(MountPointOf("/proc/no/such/thing"), "/proc");
    // "/procx" shares the first letters of /proc but lies on the root file system.
    EXPECT_EQ(MountPointOf("/procx/missing"), MountPointOf("/"));
    const std::string etc = MountPointOf("/etc");
    EXPECT_FALSE(etc.empty());
    EXPECT_TRUE(std::string("/etc").starts_with(etc)) << etc;
}

} // namespace
