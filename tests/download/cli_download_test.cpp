// tunebatch-cli download against a real nginx: one line per event, the closing line, and an
// exit code that says whether the file is complete; a run killed or stopped part way leaves
// nothing under the song's name, and the next run continues it.

#include "child_process.h"
#include "download/resume_journal.h"
#include "download/target_file.h"
#include "download_test_support.h"
#include "nginx_server.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using tb::download::ByteRange;
using tb::download::ParseJournal;
using tb::download::TargetFile;

using CliRun = CommandOutput;

CliRun runCli(const std::string& arguments) {
    return RunShellCommand(std::string(TB_CLI_PATH) + " download " + arguments + " 2>&1");
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

// The access log once nginx has finished logging (its lines stop changing).
std::vector<std::string> settledAccessLog(const NginxServer& nginx) {
    std::vector<std::string> lines = nginx.accessLog();
    for (int quiet = 0; quiet < 3;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::vector<std::string> now = nginx.accessLog();
        quiet = now.size() == lines.size() ? quiet + 1 : 0;
        lines = std::move(now);
    }
    return lines;
}

// The N of each "bytes=N-" asked for in log lines from index first on.
std::vector<std::int64_t> requestedOffsets(const std::vector<std::string>& log, std::size_t first) {
    std::vector<std::int64_t> offsets;
    for (std::size_t i = first; i < log.size(); ++i) {
        const auto at = log[i].find("\"bytes=");
        offsets.push_back(at == std::string::npos ? -1 : std::stoll(log[i].substr(at + 7)));
    }
    return offsets;
}

std::int64_t sumOfBlocks(const std::vector<std::string>& lines) {
    std::int64_t bytes = 0;
    for (const std::string& line : lines) {
        if (line.rfind("event 16 ", 0) == 0) {
            bytes += std::stoll(line.substr(9));
        }
    }
    return bytes;
}

struct SlowSong {
    NginxServer nginx; // 64 KB/s per connection under /slow/
    ScratchFolder folder;
    std::string data = testBytes(1'500'000, 41);
    std::string url = nginx.addFile("slow/resume.bin", data);
    fs::path target = folder.path() / "歌 resume.mp3";
    fs::path partial = TargetFile::PartialPathOf(target.string());
    fs::path journal = TargetFile::JournalPathOf(target.string());

    ChildProcess start() const {
        return ChildProcess(TB_CLI_PATH, {"download", url, target.string()});
    }
};

TEST(CliDownload, SongKilledMidwayLeavesNothingUnderItsNameAndTheNextRunResumes) {
    SlowSong song;
    ASSERT_TRUE(song.nginx.running()) << song.nginx.problem();
    std::int64_t received = 0;
    {
        ChildProcess child = song.start();
        ASSERT_TRUE(child.started());
        const auto killAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
        while (std::chrono::steady_clock::now() < killAt) {
            child.readLine(std::chrono::milliseconds(50));
        }
        child.signal(SIGKILL);
        EXPECT_EQ(child.wait(), 128 + SIGKILL);
        received = sumOfBlocks(child.lines());
    }
    EXPECT_FALSE(fs::exists(song.target));
    ASSERT_TRUE(fs::exists(song.partial));
    const auto journal = ParseJournal(readFile(song.journal));
    ASSERT_TRUE(journal.has_value()) << readFile(song.journal);
    EXPECT_EQ(journal->total, 1'500'000);
    const std::int64_t recorded = journal->recordedBytes();
    EXPECT_GT(recorded, 0);
    EXPECT_LT(recorded, 1'500'000);
    // Brought up to date several times a second: far less than a second of 3 x 64 KB/s behind.
    EXPECT_GE(recorded + 400'000, received);
    const std::string onDisk = readFile(song.partial);
    for (const ByteRange& range : journal->ranges) {
        ASSERT_LE(range.end, static_cast<std::int64_t>(onDisk.size()));
        EXPECT_EQ(onDisk.substr(range.start, range.length()),
                  song.data.substr(range.start, range.length()))
            << "the journal names bytes that are not on disk";
    }
    const std::size_t loggedBefore = settledAccessLog(song.nginx).size();

    const CliRun resumed = runCli(song.url + " '" + song.target.string() + "'");
    EXPECT_EQ(resumed.exitCode, 0);
    EXPECT_EQ(sha256Hex(readFile(song.target)), sha256Hex(song.data));
    EXPECT_FALSE(fs::exists(song.partial));
    EXPECT_FALSE(fs::exists(song.journal));
    // The size is announced as before, only the missing bytes arrive, and the end reports all.
    EXPECT_NE(std::find(resumed.lines.begin(), resumed.lines.end(), "event 3 1500000 0"),
              resumed.lines.end());
    EXPECT_EQ(sumOfBlocks(resumed.lines), 1'500'000 - recorded);
    ASSERT_GE(resumed.lines.size(), 2u);
    EXPECT_EQ(resumed.lines[resumed.lines.size() - 2], "event 4 1500000 0");
    // What nginx was asked for (logged as each request ends, so in no particular order): the
    // first missing byte, and never a byte on disk.
    const auto offsets = requestedOffsets(settledAccessLog(song.nginx), loggedBefore);
    const std::int64_t firstMissing =
        tb::download::MissingRanges(journal->ranges, journal->total).front().start;
    EXPECT_NE(std::find(offsets.begin(), offsets.end(), firstMissing), offsets.end());
    for (const std::int64_t offset : offsets) {
        for (const ByteRange& range : journal->ranges) {
            EXPECT_FALSE(offset >= range.start && offset < range.end)
                << "asked again for bytes from " << offset;
        }
    }
}

TEST(CliDownload, StopSignalsEndTheRunCleanlyAndTheNextRunFinishesTheSong) {
    SlowSong song;
    ASSERT_TRUE(song.nginx.running()) << song.nginx.problem();
    for (const auto& [number, exitCode] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
        SCOPED_TRACE(number);
        ChildProcess child = song.start();
        // Event lines arrive while the run goes on: each is flushed as it is printed.
        int blocks = 0;
        while (blocks < 3) {
            const auto line = child.readLine(std::chrono::seconds(20));
            ASSERT_TRUE(line.has_value()) << "no event line while the download runs";
            blocks += line->rfind("event 16 ", 0) == 0 ? 1 : 0;
        }
        child.signal(number);
        EXPECT_EQ(child.wait(), exitCode);
        const auto& lines = child.lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), "failed 任务已停止");
        EXPECT_EQ(lines[lines.size() - 2].rfind("event 4 ", 0), 0u) << lines[lines.size() - 2];
        EXPECT_FALSE(fs::exists(song.target));
        EXPECT_TRUE(fs::exists(song.partial));
        EXPECT_TRUE(ParseJournal(readFile(song.journal)).has_value());
    }
    const CliRun finished = runCli(song.url + " '" + song.target.string() + "'");
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(sha256Hex(readFile(song.target)), sha256Hex(song.data));
    EXPECT_FALSE(fs::exists(song.partial));
}

} // namespace
