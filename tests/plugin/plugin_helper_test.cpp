// The helper program batchget, run as real processes against loopback servers.

#include "data/local_text.h"
#include "download/fault_server.h"
#include "net/raw_http_server.h"
#include "platform/temp_folder.h"
#include "plugin/path_codec.h"
#include "plugin/plugin_job.h"
#include "support/child_process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace tb::test {
namespace {

namespace fs = std::filesystem;
using plugin::EncodePluginPath;

std::string HelperProgram() {
    return TB_BATCHGET_PATH;
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string songBytes(char seed, std::size_t size = 200000) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + i * 7 + (i >> 9));
    }
    return bytes;
}

// Names of the files in a folder, UTF-8.
// Lower-case hexadecimal MD5 digest of bytes.
std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr), 1);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::string okRecord(const std::string& localPath, const std::string& url) {
    return Utf8ToLocal("本次下载：  ") + localPath + "    " + url + "      - OK -\r\n";
}

std::string errorRecord(const std::string& localPath, const std::string& url) {
    return Utf8ToLocal("错误任务：  ") + localPath + "    " + url + "\r\n";
}

class PluginHelperTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.path().empty()); }

    // Runs the helper for a target (UTF-8 path) and a URL; its exit code.
    std::optional<int> runHelper(const fs::path& target, const std::string& url,
                                 const std::vector<std::string>& environment = {}) {
        ProcessOptions options;
        options.environment = environment;
        return RunProcess(HelperProgram(), {EncodePluginPath(local(target)), url}, options);
    }
    static std::string local(const fs::path& path) { return Utf8ToLocal(path.string()); }
    fs::path downloadLog() const { return folder.path() / "下载信息.TXT"; }
    fs::path errorLog() const { return folder.path() / "错误信息.TXT"; }

    TempFolder folder;
};

TEST_F(PluginHelperTest, AnyArgumentCountButTwoEndsAtOnceWithoutARecord) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", songBytes('a'))});
    const std::string target = EncodePluginPath(local(folder.path() / "x.mp3"));
    const std::vector<std::vector<std::string>> calls = {
        {}, {target}, {target, server.address("/s.mp3"), "extra"}};
    for (const auto& arguments : calls) {
        EXPECT_EQ(RunProcess(HelperProgram(), arguments), 0) << arguments.size();
    }
    EXPECT_TRUE(filesIn(folder.path()).empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(PluginHelperTest, SongIsSavedUnderItsDecodedPathWithAnOkRecord) {
    const std::string song = songBytes('b');
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", song)});
    const fs::path target = folder.path() / "夜空 之下 100%.mp3";
    const std::string url = server.address("/a.mp3");
    ASSERT_EQ(runHelper(target, url), 0);
    EXPECT_EQ(tb::test::ReadFileBytes(target), song);
    EXPECT_EQ(tb::test::ReadFileBytes(downloadLog()), okRecord(local(target), url));
    EXPECT_EQ(filesIn(folder.path()),
              (std::set<std::string>{"夜空 之下 100%.mp3", "下载信息.TXT"}));
}

TEST_F(PluginHelperTest, SongIsSavedWhereNoWindowCanBeOpened) {
    const std::string song = songBytes('n');
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", song)});
    // No display at all, no platform forced; then a display nobody serves (as one that
    // refuses further clients does).
    const std::vector<std::vector<std::string>> settings = {
        {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"},
        {"-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "DISPLAY=:9731"}};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const fs::path target = folder.path() / ("无窗 " + std::to_string(i) + ".mp3");
        const std::string url = server.address("/n" + std::to_string(i) + ".mp3");
        std::vector<std::string> arguments = settings[i];
        arguments.insert(arguments.end(), {HelperProgram(), EncodePluginPath(local(target)), url});
        EXPECT_EQ(RunProcess("/usr/bin/env", arguments), 0) << i;
        EXPECT_TRUE(tb::test::ReadFileBytes(target) == song) << i;
    }
    EXPECT_EQ(tb::test::ReadFileBytes(downloadLog()),
              okRecord(local(folder.path() / "无窗 0.mp3"), server.address("/n0.mp3")) +
                  okRecord(local(folder.path() / "无窗 1.mp3"), server.address("/n1.mp3")));
}

TEST_F(PluginHelperTest, ExistingFilesAreNeverOverwritten) {
    const std::string song = songBytes('c');
    const std::string mark = "[" + Md5Hex(song).substr(5, 2) + "]";
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", song)});
    const std::string url = server.address("/s.mp3");
    {
        SCOPED_TRACE("identical bytes: nothing written, no record");
        writeBytes(folder.path() / "Same.mp3", song);
        ASSERT_EQ(runHelper(folder.path() / "Same.mp3", url), 0);
        EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Same.mp3"});
    }
    {
        SCOPED_TRACE("other bytes: the digest mark before every dot");
        writeBytes(folder.path() / "a.b.mp3", "older song");
        ASSERT_EQ(runHelper(folder.path() / "a.b.mp3", url), 0);
        const fs::path marked = folder.path() / ("a" + mark + ".b" + mark + ".mp3");
        EXPECT_EQ(tb::test::ReadFileBytes(folder.path() / "a.b.mp3"), "older song");
        EXPECT_EQ(tb::test::ReadFileBytes(marked), song);
        EXPECT_EQ(tb::test::ReadFileBytes(downloadLog()), okRecord(local(marked), url));
    }
    {
        SCOPED_TRACE("marked name held by the same bytes: nothing written");
        fs::remove(downloadLog());
        writeBytes(folder.path() / "Song.mp3", "other");
        writeBytes(folder.path() / ("Song" + mark + ".mp3"), song);
        ASSERT_EQ(runHelper(folder.path() / "Song.mp3", url), 0);
        EXPECT_FALSE(fs::exists(downloadLog()));
    }
    {
        SCOPED_TRACE("marked name held by other bytes: the next free numbered name");
        writeBytes(folder.path() / "Tune.mp3", "other");
        writeBytes(folder.path() / ("Tune" + mark + ".mp3"), "also other");
        writeBytes(folder.path() / ("Tune" + mark + "(1).mp3"), "third");
        ASSERT_EQ(runHelper(folder.path() / "Tune.mp3", url), 0);
        const fs::path numbered = folder.path() / ("Tune" + mark + "(2).mp3");
        EXPECT_EQ(tb::test::ReadFileBytes(numbered), song);
        EXPECT_EQ(tb::test::ReadFileBytes(folder.path() / ("Tune" + mark + ".mp3")), "also other");
        EXPECT_EQ(tb::test::ReadFileBytes(folder.path() / ("Tune" + mark + "(1).mp3")), "third");
        EXPECT_EQ(tb::test::ReadFileBytes(downloadLog()), okRecord(local(numbered), url));
    }
}

TEST_F(PluginHelperTest, RepliesThatAreNotTheSongAreErrorsAndLeaveNoFile) {
    struct Case {
        const char* what;
        std::vector<std::string> replies;
    };
    const std::vector<Case> cases = {
        {"404 page", {CannedReply("HTTP/1.1 404 Not Found", "", "<html>no such song</html>")}},
        {"500 page", {CannedReply("HTTP/1.1 500 Oops", "", "<html>busy</html>")}},
        {"body cut short", {"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nshort"}},
        {"empty body twice", {CannedReply("HTTP/1.1 200 OK", "", "")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawHttpServer server(c.replies);
        const fs::path target = folder.path() / (std::string(c.what) + ".mp3");
        const std::string url = server.address("/s.mp3");
        ASSERT_EQ(runHelper(target, url, {"TUNEBATCH_BATCHGET_TICK_MS=1"}), 0);
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(tb::test::ReadFileBytes(errorLog()), errorRecord(local(target), url));
        EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"错误信息.TXT"});
        fs::remove(errorLog());
    }
    {
        SCOPED_TRACE("no server at all, and the target's folder missing");
        const fs::path target = folder.path() / "新" / "gone.mp3";
        const std::string url = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/";
        ASSERT_EQ(runHelper(target, url, {"TUNEBATCH_BATCHGET_TICK_MS=1"}), 0);
        EXPECT_EQ(tb::test::ReadFileBytes(target.parent_path() / "错误信息.TXT"),
                  errorRecord(local(target), url));
        EXPECT_FALSE(fs::exists(target));
    }
    {
        SCOPED_TRACE("empty once, then the song");
        const std::string song = songBytes('d');
        RawHttpServer server(
            {CannedReply("HTTP/1.1 200 OK", "", ""), CannedReply("HTTP/1.1 200 OK", "", song)});
        ASSERT_EQ(runHelper(folder.path() / "late.mp3", server.address("/s.mp3")), 0);
        EXPECT_EQ(tb::test::ReadFileBytes(folder.path() / "late.mp3"), song);
        EXPECT_EQ(server.requests().size(), 2u);
    }
}

TEST_F(PluginHelperTest, SongDrippingBelowTheRateFloorIsAnErrorAndLeavesNoFile) {
    using namespace std::chrono_literals;
    const std::string song = songBytes('g', 20000);
    FaultServer server([&](int socket, const std::string&) {
        sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 20000\r\n\r\n" + song.substr(0, 3000));
        dripBytes(socket, song.substr(3000), 20ms); // alive, but 50 bytes a second
    });
    const fs::path target = folder.path() / "slow.mp3";
    const std::string url = server.url("/s.mp3");
    const plugin::JobResult result = plugin::RunPluginJob(local(target), url, {1000, 1000ms});
    EXPECT_EQ(result.outcome, plugin::JobOutcome::Failed);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(tb::test::ReadFileBytes(errorLog()), errorRecord(local(target), url));
    EXPECT_EQ(server.requests().size(), 1u) << "a cut body is not an empty one to ask again for";
}

TEST_F(PluginHelperTest, MissingFolderChainIsCreatedBeforeTheSecondWrite) {
    const std::string song = songBytes('e');
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", song)});
    const fs::path target = folder.path() / "一" / "b c" / "三" / "song.mp3";
    const std::string url = server.address("/s.mp3");
    ASSERT_EQ(runHelper(target, url), 0);
    EXPECT_EQ(tb::test::ReadFileBytes(target), song);
    EXPECT_EQ(tb::test::ReadFileBytes(target.parent_path() / "下载信息.TXT"),
              okRecord(local(target), url));
}

TEST_F(PluginHelperTest, UnwritableTargetGivesAnErrorRecordAndTheHelperEndsAfterItsCountdown) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", songBytes('f'))});
    // Longer than any file name the file system takes.
    const fs::path target = folder.path() / (std::string(300, 'n') + ".mp3");
    const std::string url = server.address("/s.mp3");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(runHelper(target, url, {"TUNEBATCH_BATCHGET_TICK_MS=20"}), 0);
    // Thirty ticks of 20 ms went by before it ended.
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(600));
    EXPECT_EQ(tb::test::ReadFileBytes(errorLog()), errorRecord(local(target), url));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"错误信息.TXT"});
}

TEST_F(PluginHelperTest, KilledHelperLeavesNoPartOfTheSongUnderItsName) {
    RawHttpServer server({"HTTP/1.1 200 OK\r\nContent-Length: 400000\r\n\r\n" +
                          songBytes('g', 100000) + kThenStall});
    const fs::path target = folder.path() / "half.mp3";
    const pid_t helper =
        StartProcess(HelperProgram(), {EncodePluginPath(local(target)), server.address("/s")});
    ASSERT_GT(helper, 0);
    while (server.requests().empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(helper, SIGKILL);
    WaitForExit(helper);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(PluginHelperTest, TenHelpersAppendingToOneLogAtOnceKeepEveryRecordWhole) {
    const std::string song = songBytes('h', 20000);
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", song)});
    std::vector<pid_t> helpers;
    std::set<std::string> expected;
    for (int i = 0; i < 10; ++i) {
        const fs::path target = folder.path() / ("歌 " + std::to_string(i) + ".mp3");
        const std::string url = server.address("/s" + std::to_string(i) + ".mp3");
        helpers.push_back(StartProcess(HelperProgram(), {EncodePluginPath(local(target)), url}));
        expected.insert(okRecord(local(target), url));
    }
    for (const pid_t helper : helpers) {
        EXPECT_EQ(WaitForExit(helper), 0);
    }
    const std::string log = tb::test::ReadFileBytes(downloadLog());
    std::set<std::string> records;
    for (std::size_t start = 0; start < log.size();) {
        const std::size_t end = log.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        records.insert(log.substr(start, end + 2 - start));
        start = end + 2;
    }
    EXPECT_EQ(records, expected);
    EXPECT_EQ(filesIn(folder.path()).size(), 11u);
}

} // namespace
} // namespace tb::test
