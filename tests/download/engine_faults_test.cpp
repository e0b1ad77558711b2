// The engine against answers a good server never gives, from a raw TCP server of our own.
// Whatever goes wrong, the task ends with kind 4 and leaves no file that could pass for a
// song; what does arrive is never written at a wrong offset.

#include "download/download_engine.h"

#include "download_test_support.h"
#include "fault_server.h"
#include "nginx_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace tb::test;
using namespace tb::download;

class EngineFaults : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
    fs::path target() const { return m_folder.path() / "song.mp3"; }

    ScratchFolder m_folder;
};

void expectFailedWithoutFile(const DownloadRun& run, const fs::path& target) {
    ASSERT_TRUE(run.finished) << "the task did not end";
    EXPECT_EQ(run.events.back().kind, kEventFinished);
    EXPECT_GE(
        std::count_if(run.events.begin(), run.events.end(),
                      [](const RecordedEvent& e) { return e.kind == kEventConnectionFailed; }),
        1);
    EXPECT_FALSE(run.outcome.complete);
    EXPECT_FALSE(run.outcome.reason.empty());
    EXPECT_FALSE(fs::exists(target)) << "a partial file was left behind";
}

TEST_F(EngineFaults, BrokenBodiesFailAndLeaveNoFile) {
    const std::string data = testBytes(3000);
    struct Case {
        const char* name;
        std::function<void(int)> answer;
    };
    const std::vector<Case> cases = {
        {"cut short",
         [&](int socket) { sendAll(socket, partialHead(0, 2999, 3000) + data.substr(0, 1500)); }},
        {"reset mid-body",
         [&](int socket) {
             sendAll(socket, partialHead(0, 2999, 3000) + data.substr(0, 1500));
             resetConnection(socket);
         }},
        {"silence after the head",
         [&](int socket) {
             sendAll(socket, partialHead(0, 2999, 3000) + data.substr(0, 100));
             waitForPeerClose(socket);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultServer server([&](int socket, const std::string&) { c.answer(socket); });
        RunOptions options;
        options.receiveTimeoutMs = 300; // the stall limit, not a limit on the transfer
        const DownloadRun run = runDownload(server.url(), target(), options);
        expectFailedWithoutFile(run, target());
        EXPECT_EQ(kindsOf(run.events).front(), kEventConnectionStarted);
    }
}

TEST_F(EngineFaults, AnswersThatDoNotMatchTheRequestFailTheConnection) {
    const std::string data = testBytes(3000);
    struct Case {
        const char* name;
        std::string answer;
        std::string logText;
    };
    const std::vector<Case> cases = {
        {"wrong start", partialHead(10, 2999, 3000) + data.substr(10), "返回的数据范围与请求不符"},
        {"416",
         "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */3000\r\n"
         "Content-Length: 0\r\n\r\n",
         "暂时不支持的返回, 返回号[416]"},
        {"two lengths",
         "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\nContent-Length: 2000\r\n\r\n" + data,
         "返回的内容长度不一致"},
        {"redirect without Location", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n",
         "获得重定向信息错误"},
        {"head too long",
         "HTTP/1.1 200 OK\r\nX-Filler: " + std::string(70'000, 'a') +
             "\r\nContent-Length: 3000\r\n\r\n" + data,
         "HTTP返回头部信息过长"},
        {"range without total",
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-2999/*\r\n"
         "Content-Length: 3000\r\n\r\n" +
             data,
         "返回的数据范围无效"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultServer server([&](int socket, const std::string&) { sendAll(socket, c.answer); });
        const DownloadRun run = runDownload(server.url(), target());
        expectFailedWithoutFile(run, target());
        EXPECT_EQ(kindsOf(run.events), (std::vector<int>{5, 9, 4}));
        if (!c.logText.empty()) {
            EXPECT_TRUE(logContains(run, c.logText));
        }
    }
}

TEST_F(EngineFaults, WrongTotalOnLaterConnectionsFailsThem) {
    const std::string data = testBytes(100'000);
    FaultServer server([&](int socket, const std::string& request) {
        const auto offset = requestedOffset(request).value_or(0);
        if (offset == 0) {
            serveRange(socket, request, data);
        } else {
            sendAll(socket, partialHead(offset, 100'000, 100'001) + data.substr(offset) + "x");
        }
    });
    const DownloadRun run = runDownload(server.url(), target());
    expectFailedWithoutFile(run, target());
    EXPECT_TRUE(logContains(run, "返回的文件长度与任务不符"));
}

TEST_F(EngineFaults, UnannouncedLengthsUseOneConnectionAndGrowTheFile) {
    const std::string data = testBytes(150'000, 4);
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (std::size_t at = 0; at < data.size(); at += 7000) {
        const std::string piece = data.substr(at, 7000);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        chunked += size + piece + "\r\n";
    }
    chunked += "0\r\n\r\n";
    const std::string closeDelimited = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + data;
    for (const std::string& answer : {chunked, closeDelimited}) {
        FaultServer server([&](int socket, const std::string&) { sendAll(socket, answer); });
        const DownloadRun run = runDownload(server.url(), target());
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
        EXPECT_EQ(run.ofKind(kEventConnectionStarted).size(), 1u);
        EXPECT_TRUE(run.ofKind(kEventTotalSize).empty());
        EXPECT_EQ(run.events.back().kind, kEventFinished);
        EXPECT_EQ(run.events.back().value, 150'000);
        fs::remove(target());
    }
}

TEST_F(EngineFaults, DataBeyondTheAnnouncedLengthIsNeverWritten) {
    const std::string data = testBytes(3000);
    for (const std::string& head :
         {partialHead(0, 2999, 3000),
          std::string("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n")}) {
        FaultServer server([&](int socket, const std::string&) {
            sendAll(socket, head + data + testBytes(2000, 99));
        });
        const DownloadRun run = runDownload(server.url(), target());
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
        fs::remove(target());
    }
}

TEST_F(EngineFaults, RetriesResumeFromTheSegmentOffsetWhenAllowed) {
    const std::string data = testBytes(3000);
    std::mutex mutex;
    std::vector<std::int64_t> offsets;
    FaultServer server([&](int socket, const std::string& request) {
        const std::int64_t offset = requestedOffset(request).value_or(-1);
        bool first = false;
        {
            std::lock_guard lock(mutex);
            first = offsets.empty();
            offsets.push_back(offset);
        }
        if (first) {
            sendAll(socket, partialHead(0, 2999, 3000) + data.substr(0, 1200)); // cut short
            return;
        }
        serveRange(socket, request, data);
    });
    RunOptions options;
    options.retryCount = 1;
    const DownloadRun run = runDownload(server.url(), target(), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
    EXPECT_TRUE(logContains(run, "等待0秒后重试"));
    std::lock_guard lock(mutex);
    ASSERT_EQ(offsets.size(), 2u);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_EQ(offsets[1], 1200) << "the retry must not fetch the received part again";
}

TEST_F(EngineFaults, ReceiveTimeOutLimitsStallsNotTheTransfer) {
    // The server trickles the body for about two seconds with short pauses; data keeps
    // coming, so a half-second receive time-out must not end the transfer.
    const std::string data = testBytes(4000);
    FaultServer server([&](int socket, const std::string&) {
        sendAll(socket, partialHead(0, 3999, 4000));
        for (std::size_t at = 0; at < data.size(); at += 100) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            sendAll(socket, data.substr(at, 100));
        }
    });
    RunOptions options;
    options.receiveTimeoutMs = 500;
    const DownloadRun run = runDownload(server.url(), target(), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
}

TEST_F(EngineFaults, EveryConnectionSendsOurLinesInOrder) {
    const std::string data = testBytes(100'000);
    FaultServer server(
        [&](int socket, const std::string& request) { serveRange(socket, request, data); });
    const DownloadRun run = runDownload(server.url("/a/song.mp3?x=1"), target());
    ASSERT_TRUE(run.outcome.complete) << run.outcome.reason;
    const std::string host = server.url("").substr(7);
    const auto expected = [&](std::int64_t offset) {
        return "GET /a/song.mp3?x=1 HTTP/1.1\r\n"
               "Host: " +
               host +
               "\r\n"
               "Accept: */*\r\n"
               "Referer: http://" +
               host +
               "/\r\n"
               "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
               "Range: bytes=" +
               std::to_string(offset) +
               "-\r\n"
               "Pragma: no-cache\r\n"
               "Cache-Control: no-cache\r\n"
               "Connection: close\r\n\r\n";
    };
    // Three segments of 33,333 bytes (the last 33,334): each is asked for once, open-ended.
    std::vector<std::string> requests = server.requests();
    std::sort(requests.begin(), requests.end(),
              [](const auto& a, const auto& b) { return requestedOffset(a) < requestedOffset(b); });
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], expected(0));
    EXPECT_EQ(requests[1], expected(33'333));
    EXPECT_EQ(requests[2], expected(66'666));
}

// Later connections get a 200 (the whole file) to their first ranged request. Their bodies
// must not land at their offsets; the first connection takes their segments up instead. The
// first body is held until both refused connections have ended, so that their segments are
// free when the first connection looks for more work.
TEST_F(EngineFaults, WholeFileAnswerToALaterRangeIsRefusedAndTheSegmentTakenUp) {
    const std::string data = testBytes(300'000, 11);
    std::mutex mutex;
    std::map<std::int64_t, int> asked;
    EventRecorder recorder;
    FaultServer server([&](int socket, const std::string& request) {
        const std::int64_t offset = requestedOffset(request).value_or(0);
        int times = 0;
        {
            std::lock_guard lock(mutex);
            times = ++asked[offset];
        }
        if (offset == 0) {
            sendAll(socket, partialHead(0, 299'999, 300'000));
            recorder.waitForCount(kEventConnectionFailed, 2, std::chrono::seconds(20));
            sendAll(socket, data);
        } else if (times == 1) {
            sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" +
                                std::string(300'000, 'X'));
        } else {
            serveRange(socket, request, data);
        }
    });
    RunOptions options;
    options.recorder = &recorder;
    const DownloadRun run = runDownload(server.url(), target(), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.outcome.complete) << describe(run);
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
    EXPECT_EQ(run.ofKind(kEventConnectionFailed).size(), 2u);
    // A connection that finished went on with a free segment (kind 7) at its start.
    const auto further = run.ofKind(kEventFurtherSegment);
    ASSERT_FALSE(further.empty());
    for (const auto& event : further) {
        EXPECT_TRUE(event.value == 100'000 || event.value == 200'000) << event.value;
        EXPECT_EQ(event.second, event.value + 100'000);
    }
    EXPECT_TRUE(logContains(run, "服务器不支持分段下载"));
}

// Waits until the connections besides the first have been refused. Once the first refusal
// has made the engine fall back to one connection, a connection that had not sent its request
// yet may be stopped instead of refused, so the wait settles for the first refusal after a
// while, well within the first connection's receive time-out.
void holdUntilOthersRefused(EventRecorder& recorder) {
    recorder.waitForCount(kEventConnectionFailed, 1, std::chrono::seconds(20));
    const int others = recorder.count(kEventConnectionStarted) - 1;
    recorder.waitForCount(kEventConnectionFailed, others, std::chrono::seconds(3));
}

// The server honours the first range (from 0, so that answer holds the whole file) and
// answers every later ranged request with the whole file. The first connection goes on alone
// through the file; nothing lands at a wrong offset. Whether the first answer's body comes at
// once (it may reach the end of its segment before the other connections have started) or
// only after the others were refused, the song ends complete.
TEST_F(EngineFaults, RangeHonouredOnceThenRefusedIsFinishedByTheFirstConnection) {
    const std::string data = testBytes(1'000'000, 12);
    for (const bool holdFirstBody : {false, true}) {
        SCOPED_TRACE(holdFirstBody ? "first body after the refusals" : "first body at once");
        EventRecorder recorder;
        FaultServer server([&](int socket, const std::string& request) {
            const std::int64_t offset = requestedOffset(request).value_or(0);
            if (offset != 0) {
                sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + data);
                return;
            }
            sendAll(socket, partialHead(0, 999'999, 1'000'000));
            if (holdFirstBody) {
                holdUntilOthersRefused(recorder);
            }
            sendAll(socket, data);
        });
        RunOptions options;
        options.recorder = &recorder;
        const DownloadRun run = runDownload(server.url(), target(), options);
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.outcome.complete) << describe(run);
        EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
        EXPECT_TRUE(logContains(run, "服务器不支持分段下载"));
        const auto ended = run.ofKind(kEventConnectionEnded);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0].connection, 0);
        EXPECT_EQ(ended[0].value, 1'000'000);
        for (const std::string& request : server.requests()) {
            // Refused connections are not replaced by new ones asking again.
            EXPECT_LE(requestedOffset(request).value_or(0), 666'666);
        }
        fs::remove(target());
    }
}

} // namespace
