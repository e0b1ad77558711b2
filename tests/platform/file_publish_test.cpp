#include "platform/file_publish.h"

#include "data/local_text.h"
#include "support/test_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using namespace tb::platform;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FilePublish : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
    std::string local(const fs::path& path) const { return tb::Utf8ToLocal(path.string()); }
    tb::test::TempFolder m_folder;
};

TEST_F(FilePublish, TemporaryFileIsMovedOnlyOntoAFreeName) {
    const fs::path folder = m_folder.path() / "歌 曲";
    fs::create_directory(folder);
    const auto temporary = WriteTemporaryFileIn(local(folder), ".song-", "whole song");
    ASSERT_TRUE(temporary);
    const fs::path written = tb::LocalToUtf8(*temporary);
    EXPECT_EQ(written.parent_path(), folder);
    EXPECT_TRUE(written.filename().string().starts_with(".song-"));
    EXPECT_TRUE(written.filename().string().ends_with(".part"));
    EXPECT_EQ(tb::test::ReadFileBytes(written), "whole song");

    std::ofstream(folder / "taken.mp3") << "older";
    EXPECT_EQ(MoveFileNoReplace(*temporary, local(folder / "taken.mp3")), MoveResult::TargetExists);
    EXPECT_EQ(tb::test::ReadFileBytes(folder / "taken.mp3"), "older");
    EXPECT_EQ(tb::test::ReadFileBytes(written), "whole song");

    EXPECT_EQ(MoveFileNoReplace(*temporary, local(folder / "新.mp3")), MoveResult::Moved);
    EXPECT_EQ(tb::test::ReadFileBytes(folder / "新.mp3"), "whole song");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"taken.mp3", "新.mp3"}));
    EXPECT_EQ(MoveFileNoReplace(*temporary, local(folder / "again.mp3")), MoveResult::Failed);
}

TEST_F(FilePublish, NothingIsLeftWhenTheFolderIsMissing) {
    EXPECT_FALSE(WriteTemporaryFileIn(local(m_folder.path() / "missing"), ".x-", "bytes"));
    EXPECT_FALSE(WriteProgramFile(local(m_folder.path() / "missing" / "tool"), "bytes"));
    EXPECT_TRUE(namesIn(m_folder.path()).empty());
}

TEST_F(FilePublish, ProgramFileGetsMode0755AndNeverReplacesAFile) {
    const mode_t previous = ::umask(077);
    const fs::path program = m_folder.path() / "tool";
    EXPECT_TRUE(WriteProgramFile(local(program), "#!/bin/sh\n"));
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat(program.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    EXPECT_EQ(tb::test::ReadFileBytes(program), "#!/bin/sh\n");

    EXPECT_FALSE(WriteProgramFile(local(program), "other"));
    EXPECT_EQ(tb::test::ReadFileBytes(program), "#!/bin/sh\n");
    EXPECT_EQ(namesIn(m_folder.path()), std::vector<std::string>{"tool"});
}

TEST(FilePublishPaths, FolderOfKeepsTheLastSeparator) {
    EXPECT_EQ(FolderOf("/a/b/c.mp3"), "/a/b/");
    EXPECT_EQ(FolderOf("/c.mp3"), "/");
    EXPECT_EQ(FolderOf("c.mp3"), "");
    EXPECT_EQ(FolderOf("a/b/"), "a/b/");
}

} // namespace
