// Connections whose server is alive but far too slow: a head that drips past the receive
// time-out, a body below the rate floor. Each fails like a stalled connection, and its
// segment is fetched again where retries are allowed.

#include "download/download_engine.h"

#include "download_test_support.h"
#include "fault_server.h"
#include "nginx_server.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tb::test;
using namespace tb::download;

class EngineLimits : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.path().empty()); }
    fs::path target() const { return m_folder.path() / "song.mp3"; }

    ScratchFolder m_folder;
};

TEST_F(EngineLimits, HopelesslySlowAnswersFailTheConnectionAsAStall) {
    const std::string data = testBytes(20'000);
    std::string slowHead = "HTTP/1.1 206 Partial Content\r\n";
    for (int i = 0; i < 300; ++i) {
        slowHead += "X-Pad: " + std::to_string(i) + "\r\n";
    }
    struct Case {
        const char* name;
        std::function<void(int)> answer;
        tb::transport::RateFloor floor;
    };
    const std::vector<Case> cases = {
        // Never silent for the receive time-out, but the head is not whole within it.
        {"dripping head", [&](int socket) { dripBytes(socket, slowHead, 20ms); },
         tb::transport::kNoRateFloor},
        // 50 bytes a second, never silent: below a floor of 1000 bytes a second.
        {"dripping body",
         [&](int socket) {
             sendAll(socket, partialHead(0, 19'999, 20'000));
             dripBytes(socket, data, 20ms);
         },
         {1000, 1000ms}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultServer server([&](int socket, const std::string&) { c.answer(socket); });
        RunOptions options;
        options.connections = 1;
        options.receiveTimeoutMs = 1000;
        options.rateFloor = c.floor;
        const DownloadRun run = runDownload(server.url(), target(), options);
        ASSERT_TRUE(run.finished) << "the task did not end";
        EXPECT_FALSE(run.outcome.complete);
        EXPECT_EQ(run.outcome.reason, "接收数据超时");
        EXPECT_EQ(run.ofKind(kEventConnectionFailed).size(), 1u);
        EXPECT_FALSE(fs::exists(target())) << "a partial file was left behind";
    }
}

TEST_F(EngineLimits, SegmentOfAConnectionBelowTheFloorIsRetriedFromWhereItStopped) {
    const std::string data = testBytes(20'000);
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
        if (!first) {
            serveRange(socket, request, data);
            return;
        }
        sendAll(socket, partialHead(0, 19'999, 20'000) + data.substr(0, 5000));
        dripBytes(socket, data.substr(5000), 20ms);
    });
    RunOptions options;
    options.connections = 1;
    options.retryCount = 1;
    options.rateFloor = {1000, 1000ms};
    const DownloadRun run = runDownload(server.url(), target(), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.outcome.complete) << run.outcome.reason;
    EXPECT_EQ(sha256Hex(readFile(target())), sha256Hex(data));
    EXPECT_TRUE(logContains(run, "等待0秒后重试"));
    std::lock_guard lock(mutex);
    ASSERT_EQ(offsets.size(), 2u);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_GE(offsets[1], 5000) << "the retry must not fetch the received part again";
}

} // namespace
