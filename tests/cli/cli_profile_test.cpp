// tunebatch-cli profile get / set, run as a real process: UTF-8 on the command line,
// GB18030 in the file.

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class CliProfile : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_folder); }
    void TearDown() override { fs::remove_all(m_folder); }

    struct Run {
        int exitCode = -1;
        std::string out;
        std::string err;
    };
    // Runs the companion with shell-quoted arguments inside the test's folder.
    Run run(const std::string& arguments) const {
        const std::string command = "cd '" + m_folder.string() + "' && " + TB_CLI_PATH + " " +
                                    arguments + " >out 2>err </dev/null";
        const int status = std::system(command.c_str());
        Run result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = tb::test::ReadFileBytes(m_folder / "out");
        result.err = tb::test::ReadFileBytes(m_folder / "err");
        return result;
    }

    fs::path m_folder =
        fs::temp_directory_path() / ("tb-cli-profile-" + std::to_string(::getpid()));
};

TEST_F(CliProfile, SetWritesGb18030AndGetPrintsUtf8) {
    EXPECT_EQ(run("profile set 自由排版.ini 位置 按钮_停止 '{647,560}'").exitCode, 0);
    // 位置 is CE BB D6 C3 and 按钮_停止 B0 B4 C5 A5 5F CD A3 D6 B9 in GB18030.
    EXPECT_EQ(tb::test::ReadFileBytes(m_folder / "自由排版.ini"),
              "[\xCE\xBB\xD6\xC3]\r\n\xB0\xB4\xC5\xA5_\xCD\xA3\xD6\xB9={647,560}\r\n");
    const Run got = run("profile get 自由排版.ini ' 位置 ' 按钮_停止");
    EXPECT_EQ(got.exitCode, 0);
    EXPECT_EQ(got.out, "{647,560}\n");
    EXPECT_TRUE(got.err.empty());

    EXPECT_EQ(run("profile set 自由排版.ini 位置 按钮_停止 -5").exitCode, 0);
    EXPECT_EQ(run("profile get 自由排版.ini 位置 按钮_停止").out, "-5\n");
}

TEST_F(CliProfile, AMissingValueIsAnEmptyLineAndAFailedWriteExitsOne) {
    for (const char* arguments : {"profile get none.ini s k", "profile get 自由排版.ini '' k"}) {
        SCOPED_TRACE(arguments);
        const Run got = run(arguments);
        EXPECT_EQ(got.exitCode, 0);
        EXPECT_EQ(got.out, "\n");
    }
    const Run blank = run("profile set 自由排版.ini ' ' k v");
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_TRUE(blank.out.empty());
    EXPECT_NE(blank.err.find("could not store"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_folder / "自由排版.ini"));

    const Run usage = run("profile set 自由排版.ini s k");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("VALUE is required"), std::string::npos) << usage.err;
}

} // namespace
