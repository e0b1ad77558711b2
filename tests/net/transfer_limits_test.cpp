// The time limits every transfer shares, and the text and byte engines against servers that
// answer, but too slowly to be of use, or cut their bodies short.

#include "data/local_text.h"
#include "download/fault_server.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "net/raw_http_server.h"
#include "transport/transfer_watch.h"

#include <gtest/gtest.h>

namespace tb::net {
namespace {

using namespace std::chrono_literals;
using test::CannedReply;
using test::FaultServer;
using test::RawHttpServer;
using transport::TransferWatch;
using transport::WatchVerdict;

// A head whose lines keep coming a byte every few milliseconds: never silent for long,
// but not whole for a minute.
std::string endlessHead() {
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 300; ++i) {
        head += "X-Pad: " + std::to_string(i) + "\r\n";
    }
    return head + "Content-Length: 2\r\n\r\nok";
}

TEST(TransferWatch, EachLimitEndsTheTransferOnlyWhenItIsBroken) {
    const TransferWatch::Clock::time_point t0{};
    {
        TransferWatch watch({1000ms, 0ms, transport::kNoRateFloor});
        watch.start(t0);
        EXPECT_EQ(watch.check(t0 + 900ms), WatchVerdict::Fine);
        watch.moved(1, t0 + 900ms);
        EXPECT_EQ(watch.check(t0 + 1800ms), WatchVerdict::Fine) << "silence counts from the byte";
        EXPECT_EQ(watch.check(t0 + 1901ms), WatchVerdict::Stalled);
    }
    {
        TransferWatch watch({0ms, 1000ms, transport::kNoRateFloor});
        watch.start(t0);
        EXPECT_EQ(watch.check(t0 + 5s), WatchVerdict::Fine) << "no request sent yet";
        watch.requestSent(t0 + 5s);
        watch.moved(100, t0 + 5900ms);
        EXPECT_EQ(watch.check(t0 + 6001ms), WatchVerdict::HeadTooSlow) << "bytes do not help";
        watch.headArrived();
        EXPECT_EQ(watch.check(t0 + 60s), WatchVerdict::Fine);
    }
}

TEST(TransferWatch, RateFloorJudgesASlidingWindowAndIgnoresOurOwnPauses) {
    const TransferWatch::Clock::time_point t0{};
    TransferWatch watch({0ms, 0ms, {1000, 1000ms}});
    watch.start(t0);
    EXPECT_EQ(watch.check(t0 + 500ms), WatchVerdict::Fine) << "no whole window yet";
    // 2000 bytes a second for three seconds, in 100 ms steps.
    auto now = t0;
    for (int step = 1; step <= 30; ++step) {
        now = t0 + step * 100ms;
        watch.moved(200, now);
        ASSERT_EQ(watch.check(now), WatchVerdict::Fine) << step;
    }
    // Ten seconds spent in our own handler: the peer is not to blame.
    watch.paused(10s);
    now += 10s;
    watch.moved(0, now);
    EXPECT_EQ(watch.check(now + 100ms), WatchVerdict::Fine);
    // Then 50 bytes every 100 ms (500 B/s): too slow once a window of it has passed.
    WatchVerdict verdict = WatchVerdict::Fine;
    int steps = 0;
    while (verdict == WatchVerdict::Fine && steps < 40) {
        now += 100ms;
        watch.moved(50, now);
        verdict = watch.check(now);
        ++steps;
    }
    EXPECT_EQ(verdict, WatchVerdict::TooSlow);
    EXPECT_GE(steps, 5) << "judged before the fast part left the window";
    EXPECT_LE(steps, 12);
}

TEST(HttpRequestLimits, HeadDrippingPastTheTimeOutEndsWith712) {
    FaultServer server(
        [](int socket, const std::string&) { test::dripBytes(socket, endlessHead(), 20ms); });
    HttpRequestArgs args;
    args.timeout = 1;
    EXPECT_EQ(HttpRequest(server.url("/"), args), "");
    EXPECT_EQ(LocalToUtf8(args.status), "712 服务器未响应!");
    EXPECT_FALSE(args.bodyCut);
}

TEST(HttpRequestLimits, BodyCutShortKeepsTheStatusTextAndSaysSoApart) {
    RawHttpServer server(
        {CannedReply("HTTP/1.1 200 OK", "", "whole"),
         "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(1000, 'x'),
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\nzz\r\n"});
    struct Case {
        const char* name;
        std::size_t bodySize;
        bool cut;
    };
    for (const Case& c : {Case{"whole", 5, false}, Case{"short of its length", 1000, true},
                          Case{"broken chunks", 5, true}}) {
        SCOPED_TRACE(c.name);
        HttpRequestArgs args;
        HttpRequest(server.address(), args);
        EXPECT_EQ(args.status, "200 OK");
        EXPECT_EQ(args.bodyBytes.size(), c.bodySize);
        EXPECT_EQ(args.bodyCut, c.cut);
    }
}

TEST(FetchBytesLimits, BodyBelowTheRateFloorIsCutButAnUnevenLiveOneIsNot) {
    const std::string song(4000, 's');
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n";
    {
        FaultServer dripping([&](int socket, const std::string&) {
            test::sendAll(socket, head);
            test::dripBytes(socket, song, 20ms); // 50 bytes a second, never silent
        });
        FetchBytesArgs args;
        args.rateFloor = {1000, 1000ms};
        const std::string body = FetchBytes(dripping.url("/"), args);
        EXPECT_EQ(args.status, 200);
        EXPECT_FALSE(args.bodyComplete);
        EXPECT_LT(body.size(), song.size());
    }
    {
        FaultServer uneven([&](int socket, const std::string&) {
            test::sendAll(socket, head);
            for (std::size_t at = 0; at < song.size(); at += 1000) {
                std::this_thread::sleep_for(400ms); // 2500 bytes a second, in bursts
                test::sendAll(socket, song.substr(at, 1000));
            }
        });
        FetchBytesArgs args;
        args.rateFloor = {1000, 1000ms};
        EXPECT_EQ(FetchBytes(uneven.url("/"), args), song);
        EXPECT_TRUE(args.bodyComplete);
    }
}

TEST(FetchBytesLimits, BrokenChunkedBodiesAreNotWhole) {
    RawHttpServer server(
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nsong\r\n0\r\n\r\n",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nsong\r\nqq\r\n",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nsong\r\n"});
    for (const bool whole : {true, false, false}) {
        FetchBytesArgs args;
        EXPECT_EQ(FetchBytes(server.address(), args), "song");
        EXPECT_EQ(args.status, 200);
        EXPECT_EQ(args.bodyComplete, whole);
    }
}

} // namespace
} // namespace tb::net
