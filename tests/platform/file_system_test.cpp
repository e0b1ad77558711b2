#include "platform/file_system.h"
#include "platform/local_path.h"

#include "data/local_text.h"
#include "support/test_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tb::platform;

// Local-text path of a UTF-8 name inside the folder.
std::string localPath(const fs::path& folder, const char* utf8Name) {
    return tb::Utf8ToLocal((folder / utf8Name).string());
}

class FileSystem : public testing::Test {
protected:
    tb::test::TempFolder m_folder;
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
};

TEST_F(FileSystem, ChineseAndEmojiNamesReachTheDiskAsUtf8) {
    for (const char* name : {"抖音歌曲.mp3", "🎵 노래.mp3", "a b.txt"}) {
        const std::string path = localPath(m_folder.path(), name);
        const std::string bytes = std::string("\0\x01\xFF song ", 8) + name;
        ASSERT_TRUE(WriteWholeFile(path, bytes)) << name;
        EXPECT_TRUE(fs::is_regular_file(m_folder.path() / name)) << name;
        EXPECT_EQ(tb::test::ReadFileBytes(m_folder.path() / name), bytes);
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(ReadWholeFile(path), bytes);
        EXPECT_TRUE(DeleteFile(path));
        EXPECT_FALSE(FileExists(path));
        EXPECT_FALSE(fs::exists(m_folder.path() / name));
    }
}

TEST_F(FileSystem, WriteOverwritesAndAppendAddsWholeRecords) {
    const std::string path = localPath(m_folder.path(), "下载信息.TXT");
    ASSERT_TRUE(WriteWholeFile(path, "a much longer first content"));
    ASSERT_TRUE(WriteWholeFile(path, "short"));
    EXPECT_EQ(ReadWholeFile(path), "short");
    ASSERT_TRUE(AppendToFile(path, "\r\nrecord 1"));
    ASSERT_TRUE(AppendToFile(path, "\r\nrecord 2"));
    EXPECT_EQ(ReadWholeFile(path), "short\r\nrecord 1\r\nrecord 2");

    const std::string fresh = localPath(m_folder.path(), "错误信息.TXT");
    ASSERT_TRUE(AppendToFile(fresh, "created"));
    EXPECT_EQ(ReadWholeFile(fresh), "created");

    ASSERT_TRUE(WriteWholeFile(path, ""));
    EXPECT_EQ(ReadWholeFile(path), std::string());
    EXPECT_TRUE(FileExists(path));
}

TEST_F(FileSystem, ReadsLargeFilesWhole) {
    std::string bytes(3 * 65536 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 % 251);
    }
    const std::string path = localPath(m_folder.path(), "big.bin");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    EXPECT_EQ(ReadWholeFile(path), bytes);
}

TEST_F(FileSystem, FailuresAreValues) {
    const std::string missing = localPath(m_folder.path(), "missing.txt");
    EXPECT_FALSE(ReadWholeFile(missing).has_value());
    EXPECT_FALSE(DeleteFile(missing));
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(WriteWholeFile("", "x"));
    EXPECT_FALSE(ReadWholeFile("").has_value());

    // A folder is neither a file to read, write nor delete.
    const std::string folder = tb::Utf8ToLocal(m_folder.path().string());
    EXPECT_FALSE(FileExists(folder));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_FALSE(ReadWholeFile(folder).has_value());
    EXPECT_FALSE(WriteWholeFile(folder, "x"));
    EXPECT_FALSE(DeleteFile(folder));
    EXPECT_TRUE(fs::is_directory(m_folder.path()));

    // A path below a regular file can never be written, whoever we are.
    const std::string plain = localPath(m_folder.path(), "plain");
    ASSERT_TRUE(WriteWholeFile(plain, "x"));
    EXPECT_FALSE(WriteWholeFile(plain + "/inside.mp3", "x"));
    EXPECT_FALSE(AppendToFile(plain + "/inside.log", "x"));
    EXPECT_FALSE(CreateFolder(plain + "/sub"));
    EXPECT_FALSE(FileExists(plain + "/inside.mp3"));
}

TEST_F(FileSystem, CreateFolderMakesOneLevel) {
    const std::string folder = localPath(m_folder.path(), "抖音歌曲cc");
    EXPECT_TRUE(CreateFolder(folder));
    EXPECT_TRUE(fs::is_directory(m_folder.path() / "抖音歌曲cc"));
    EXPECT_FALSE(CreateFolder(folder)); // already there
    EXPECT_TRUE(CreateFolder(WithTrailingSlash(folder) + "sub/"));
    EXPECT_FALSE(CreateFolder(localPath(m_folder.path(), "no/such/parent")));
    EXPECT_FALSE(fs::exists(m_folder.path() / "no"));
}

// Runs the check as an unprivileged user: as root, permission bits do not stop writes.
// The check runs in a child process that gives up root; its exit code carries the result.
bool runUnprivileged(const std::function<bool()>& check) {
    if (::geteuid() != 0) {
        return check();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? (check() ? 0 : 1) : 2);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        ADD_FAILURE() << "the unprivileged check did not run";
        return false;
    }
    EXPECT_NE(WEXITSTATUS(status), 2) << "could not give up root";
    return WEXITSTATUS(status) == 0;
}

TEST_F(FileSystem, ReadOnlyFolderRefusesNewFiles) {
    const fs::path folder = m_folder.path() / "只读";
    fs::create_directory(folder);
    fs::permissions(m_folder.path(), fs::perms::all);
    const std::string target = tb::Utf8ToLocal((folder / "x.mp3").string());
    const std::string sub = tb::Utf8ToLocal((folder / "sub").string());

    fs::permissions(folder, fs::perms::all);
    EXPECT_TRUE(runUnprivileged([&] { return WriteWholeFile(target, "x") && CreateFolder(sub); }))
        << "a writable folder must accept the file";
    fs::remove(folder / "x.mp3");
    fs::remove(folder / "sub");

    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    EXPECT_TRUE(runUnprivileged([&] {
        return !WriteWholeFile(target, "x") && !CreateFolder(sub) && !AppendToFile(target, "x");
    }));
    EXPECT_FALSE(fs::exists(folder / "x.mp3"));
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(FileSystem, CreateFolderPathMakesEveryMissingLevel) {
    const std::string deep = localPath(m_folder.path(), "配置/tunebatch/深");
    EXPECT_TRUE(CreateFolderPath(deep));
    EXPECT_TRUE(fs::is_directory(m_folder.path() / "配置/tunebatch/深"));
    EXPECT_TRUE(CreateFolderPath(deep)); // already there
    EXPECT_TRUE(CreateFolderPath(WithTrailingSlash(deep)));
    EXPECT_FALSE(CreateFolderPath(""));

    const std::string plain = localPath(m_folder.path(), "plain");
    ASSERT_TRUE(WriteWholeFile(plain, "x"));
    EXPECT_FALSE(CreateFolderPath(plain));
    EXPECT_FALSE(CreateFolderPath(plain + "/sub/deeper"));
}

// Names in the folder other than the given ones: leftovers of a replacement.
std::vector<std::string> otherEntries(const fs::path& folder, std::vector<std::string> expected) {
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
            others.push_back(name);
        }
    }
    return others;
}

TEST_F(FileSystem, ReplacingContentsLeavesTheNewBytesAndNothingElse) {
    const fs::path file = m_folder.path() / "自由排版.ini";
    const std::string path = tb::Utf8ToLocal(file.string());
    {
        SCOPED_TRACE("a new file");
        EXPECT_TRUE(ReplaceFileContents(path, "[a]\r\nb=1\r\n"));
        EXPECT_EQ(tb::test::ReadFileBytes(file), "[a]\r\nb=1\r\n");
    }
    {
        SCOPED_TRACE("an existing file keeps its permissions");
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        EXPECT_TRUE(ReplaceFileContents(path, "short"));
        EXPECT_EQ(tb::test::ReadFileBytes(file), "short");
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    {
        SCOPED_TRACE("a link stays a link and its file gets the bytes");
        const fs::path link = m_folder.path() / "link.ini";
        fs::create_symlink(file, link);
        EXPECT_TRUE(ReplaceFileContents(tb::Utf8ToLocal(link.string()), "through the link"));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(tb::test::ReadFileBytes(file), "through the link");
    }
    EXPECT_TRUE(otherEntries(m_folder.path(), {"自由排版.ini", "link.ini"}).empty());

    // Neither a folder nor a path below a file is replaced.
    EXPECT_FALSE(ReplaceFileContents(tb::Utf8ToLocal(m_folder.path().string()), "x"));
    EXPECT_FALSE(ReplaceFileContents(path + "/below", "x"));
    EXPECT_FALSE(ReplaceFileContents("", "x"));
    EXPECT_EQ(tb::test::ReadFileBytes(file), "through the link");
}

TEST_F(FileSystem, ReplacingContentsRespectsReadOnlyFilesAndFolders) {
    const fs::path folder = m_folder.path() / "config";
    fs::create_directory(folder);
    fs::permissions(m_folder.path(), fs::perms::all);
    const fs::path file = folder / "layout.ini";
    std::ofstream(file) << "old";
    const std::string path = tb::Utf8ToLocal(file.string());

    fs::permissions(folder, fs::perms::all);
    fs::permissions(file, fs::perms::owner_read | fs::perms::others_read);
    EXPECT_TRUE(runUnprivileged([&] { return !ReplaceFileContents(path, "new"); }))
        << "a read-only file must stay as it is";
    EXPECT_EQ(tb::test::ReadFileBytes(file), "old");

    fs::permissions(file, fs::perms::all);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    EXPECT_TRUE(runUnprivileged([&] { return !ReplaceFileContents(path, "new"); }))
        << "no new file can be made in a read-only folder";
    EXPECT_EQ(tb::test::ReadFileBytes(file), "old");
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_TRUE(otherEntries(folder, {"layout.ini"}).empty());
}

} // namespace
