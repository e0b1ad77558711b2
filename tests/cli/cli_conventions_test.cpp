// tunebatch-cli follows the usual conventions of command-line tools: help on stdout with
// exit 0, usage errors on stderr with exit 2, failures on stderr with exit 1.

#include "net/raw_http_server.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the companion with a shell-quoted argument text and collects both streams.
CliRun runCli(const std::string& arguments, const std::string& input = "/dev/null") {
    const fs::path folder = fs::temp_directory_path() / ("tb-cli-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string command = std::string(TB_CLI_PATH) + " " + arguments + " <" + input + " >" +
                                (folder / "out").string() + " 2>" + (folder / "err").string();
    const int status = std::system(command.c_str());
    CliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = tb::test::ReadFileBytes(folder / "out");
    run.err = tb::test::ReadFileBytes(folder / "err");
    fs::remove_all(folder);
    return run;
}

TEST(CliConventions, HelpGoesToStdoutAndSucceeds) {
    for (const char* arguments : {"--help", "-h"}) {
        SCOPED_TRACE(arguments);
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.err.empty());
        for (const char* command :
             {"get", "fetch", "json", "regex", "search", "detail", "suggest", "download"}) {
            EXPECT_NE(run.out.find(command), std::string::npos) << command;
        }
    }
    const CliRun commandHelp = runCli("download --help");
    EXPECT_EQ(commandHelp.exitCode, 0);
    EXPECT_NE(commandHelp.out.find("tunebatch-cli download"), std::string::npos);
    EXPECT_NE(commandHelp.out.find("--connections"), std::string::npos);

    const CliRun version = runCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_FALSE(version.out.empty());
}

TEST(CliConventions, UsageErrorsGoToStderrWithExitTwo) {
    const struct {
        const char* arguments;
        const char* problem;
    } cases[] = {
        {"", "subcommand is required"},
        {"frobnicate", "unknown command: frobnicate"},
        {"download http://127.0.0.1:9/x", "FILE is required"},
        {"download http://127.0.0.1:9/x f --connections 0", "--connections"},
        {"get http://127.0.0.1:9/ --no-such-option", "--no-such-option"},
        {"json a --names --type", "excludes"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.arguments);
        const CliRun run = runCli(item.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find(item.problem), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
}

TEST(CliConventions, FailuresGoToStderrWithExitOne) {
    const CliRun refused = runCli("get http://127.0.0.1:9/ --timeout 2");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("711"), std::string::npos) << refused.err;

    // ctest points the catalogue hosts at a closed loopback port.
    const CliRun search = runCli("search hello");
    EXPECT_EQ(search.exitCode, 1);
    EXPECT_TRUE(search.out.empty());
    EXPECT_NE(search.err.find("网络连接失败：711 发送请求失败!"), std::string::npos) << search.err;

    const CliRun notJson = runCli("json a", TB_CLI_PATH);
    EXPECT_EQ(notJson.exitCode, 1);
    EXPECT_NE(notJson.err.find("not a JSON value"), std::string::npos);
}

TEST(CliConventions, WebCommandsFailWhenTheBodyIsCutShort) {
    const std::string cut =
        "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(1000, 'x');
    const std::string brokenChunks =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz\r\n";
    const std::string whole = tb::test::CannedReply("HTTP/1.1 200 OK", "", "abcde");
    // Each reply answers one connection, in the order of the runs below.
    tb::test::RawHttpServer server({cut, cut, brokenChunks, brokenChunks, whole});
    const fs::path output =
        fs::temp_directory_path() / ("tb-cli-fetched-" + std::to_string(::getpid()));
    const std::string get = "get " + server.address();
    const std::string fetch = "fetch " + server.address() + " -o " + output.string();
    for (const char* what : {"short of its length", "broken chunks"}) {
        SCOPED_TRACE(what);
        for (const std::string& arguments : {get, fetch}) {
            const CliRun run = runCli(arguments);
            EXPECT_EQ(run.exitCode, 1) << arguments;
            EXPECT_TRUE(run.out.empty()) << run.out;
            EXPECT_NE(run.err.find("713 读取数据失败!"), std::string::npos) << run.err;
        }
        EXPECT_FALSE(fs::exists(output)) << "a cut body was written as if whole";
    }
    const CliRun fetched = runCli(fetch);
    EXPECT_EQ(fetched.exitCode, 0) << fetched.err;
    EXPECT_EQ(tb::test::ReadFileBytes(output), "abcde");
    fs::remove(output);
    const CliRun got = runCli(get);
    EXPECT_EQ(got.exitCode, 0) << got.err;
    EXPECT_NE(got.out.find("status: 200 OK\n"), std::string::npos) << got.out;
}

// An input file of its own for each process, so that parallel runs never share one.
fs::path inputFile(const std::string& name, const std::string& bytes) {
    const fs::path path =
        fs::temp_directory_path() / ("tb-cli-" + name + "-" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(CliConventions, DataCommandsFailOnEngineLimitsAndReadAByteOrderMark) {
    const fs::path runaway = inputFile("regex", std::string(25, 'a') + "!");
    const CliRun limit = runCli("regex '(?:a|a)*$'", runaway.string());
    EXPECT_EQ(limit.exitCode, 1);
    EXPECT_TRUE(limit.out.empty()) << limit.out;
    EXPECT_NE(limit.err.find("match limit"), std::string::npos) << limit.err;
    const CliRun invalid = runCli("regex '(a'", runaway.string());
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_NE(invalid.err.find("invalid pattern"), std::string::npos) << invalid.err;
    fs::remove(runaway);

    const fs::path marked =
        inputFile("json", "\xEF\xBB\xBF"
                          R"({"n":[1e+99999999999999999999,-0.1e-99999999999]})");
    const CliRun numbers = runCli("json 'n[0]'", marked.string());
    EXPECT_EQ(numbers.exitCode, 0) << numbers.err;
    EXPECT_EQ(numbers.out, "inf\n");
    EXPECT_EQ(runCli("json 'n[1]'", marked.string()).out, "-0\n");
    fs::remove(marked);
}

TEST(CliConventions, OptionsKeepTheirValuesAndRepeat) {
    const fs::path input = fs::temp_directory_path() / "tb-cli-json-input";
    std::ofstream(input) << R"({"data":{"info":[{"hash":"AB"}]},"n":-1})";
    const CliRun value = runCli("json 'data.info[0].hash'", input.string());
    EXPECT_EQ(value.exitCode, 0);
    EXPECT_EQ(value.out, "AB\n");
    const CliRun asJson = runCli("json data --as-json", input.string());
    EXPECT_EQ(asJson.out, "{\"info\":[{\"hash\":\"AB\"}]}\n");
    const CliRun names = runCli("json '' --names", input.string());
    EXPECT_EQ(names.out, "data\nn\n");
    fs::remove(input);
}

} // namespace
