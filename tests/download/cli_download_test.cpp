// tunebatch-cli download against a real nginx: one line per event, the closing line, and an
// exit code that says whether the file is complete.

#include "download_test_support.h"
#include "nginx_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;

struct CliRun {
    std::vector<std::string> lines;
    int exitCode = -1;
};

CliRun runCli(const std::string& arguments) {
    CliRun run;
    const std::string command = std::string(TB_CLI_PATH) + " download " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        run.lines.push_back(text);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CliDownload, PrintsEveryEventAndExitsZeroOnlyForACompleteFile) {
    NginxServer nginx;
    ASSERT_TRUE(nginx.running()) << nginx.problem();
    ScratchFolder folder;
    const std::string data = testBytes(1'000'000, 31);
    const std::string url = nginx.addFile("files/cli.bin", data);
    const fs::path target = folder.path() / "cli.mp3";

    const CliRun done = runCli(url + " '" + target.string() + "' --connections 3 --buffer 20480");
    EXPECT_EQ(done.exitCode, 0);
    ASSERT_GE(done.lines.size(), 3u);
    EXPECT_EQ(done.lines.front(), "event 5 0 0");
    EXPECT_EQ(done.lines[done.lines.size() - 2], "event 4 1000000 0");
    std::istringstream last(done.lines.back());
    std::string word;
    long long bytes = 0;
    double seconds = -1;
    double rate = -1;
    last >> word >> bytes >> seconds >> rate;
    EXPECT_EQ(word, "done");
    EXPECT_EQ(bytes, 1'000'000);
    EXPECT_GE(seconds, 0);
    EXPECT_GT(rate, 0);
    EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));

    // The same target again: it exists, so nothing is written and the run fails.
    const CliRun again = runCli(url + " '" + target.string() + "'");
    EXPECT_EQ(again.exitCode, 1);
    ASSERT_FALSE(again.lines.empty());
    EXPECT_EQ(again.lines.back(), "failed 目标文件已存在");
    EXPECT_EQ(sha256Hex(readFile(target)), sha256Hex(data));

    const CliRun missing =
        runCli(nginx.url("/none.bin") + " '" + (folder.path() / "none.mp3").string() + "'");
    EXPECT_EQ(missing.exitCode, 1);
    ASSERT_FALSE(missing.lines.empty());
    EXPECT_EQ(missing.lines.back(), "failed 出现错误");
    EXPECT_FALSE(fs::exists(folder.path() / "none.mp3"));

    const CliRun usage = runCli(url + " --connections zero");
    EXPECT_EQ(usage.exitCode, 2);
}

} // namespace
