// Both engines while they wait on the network: the window's pending events keep being
// processed, a caller may give the wait up, and abandoned requests end the program's
// waits at once.

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "net/httplib_server.h"
#include "net/raw_http_server.h"
#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tb::net {
namespace {

using test::RawHttpServer;

constexpr int kSlowReplyMs = 1200;

// Counts the event passes of the requests made while it lives; `onPass` runs at each.
class EventPassCounter {
public:
    explicit EventPassCounter(std::function<void(int pass)> onPass = {}) {
        platform::setPendingEventsHandler([this, onPass] {
            ++passes;
            if (onPass) {
                onPass(passes);
            }
        });
    }
    ~EventPassCounter() {
        platform::setPendingEventsHandler({});
        platform::ResumeRequests();
    }
    int passes = 0;
};

// Answers "late" after kSlowReplyMs.
class SlowServer {
public:
    SlowServer() {
        m_http.server.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kSlowReplyMs));
            response.set_content("late", "text/plain");
        });
        m_http.start();
    }
    std::string address() const { return m_http.address("/slow"); }

private:
    test::HttplibServer m_http;
};

TEST(RequestWait, ASlowReplyKeepsTheWindowsEventsProcessedUntilItArrives) {
    SlowServer server;
    {
        EventPassCounter counter;
        EXPECT_EQ(HttpRequest(server.address()), "late");
        // One pass per short wait; a wait blocked until the reply would give one or two.
        EXPECT_GE(counter.passes, 10);
    }
    {
        EventPassCounter counter;
        EXPECT_EQ(FetchBytes(server.address()), "late");
        EXPECT_GE(counter.passes, 10);
    }
}

TEST(RequestWait, AWaitGivenUpByTheCallerFailsAndWritesNoOutput) {
    RawHttpServer server({""}); // reads the request, never answers
    EventPassCounter counter;
    int asked = 0;
    const auto giveUpAtThird = [&asked] { return ++asked == 3; };
    {
        HttpRequestArgs args;
        args.timeout = 20;
        args.stopWaiting = giveUpAtThird;
        args.responseHeaders = "headers-before";
        args.bodyBytes = "body-before";
        EXPECT_EQ(HttpRequest(server.address(), args), "");
        EXPECT_EQ(asked, 3) << "asked after each event pass, and the wait ends at the first yes";
        EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
        EXPECT_EQ(args.responseHeaders, "headers-before");
        EXPECT_EQ(args.bodyBytes, "body-before");
    }
    {
        asked = 0;
        FetchBytesArgs args;
        args.stopWaiting = giveUpAtThird;
        args.extraHeaders = "X-Mine: 1";
        args.cookiesOut = "cookies-before";
        EXPECT_EQ(FetchBytes(server.address(), args), "");
        EXPECT_EQ(asked, 3);
        EXPECT_EQ(args.extraHeaders, "X-Mine: 1");
        EXPECT_EQ(args.cookiesOut, "cookies-before");
    }
}

TEST(RequestWait, AbandonedRequestsEndTheirWaitAndNoNewOneGoesOutUntilResumed) {
    RawHttpServer silent({""});
    EventPassCounter counter([](int pass) {
        if (pass == 3) {
            platform::AbandonWaitingRequests();
        }
    });
    HttpRequestArgs args;
    args.timeout = 20;
    EXPECT_EQ(HttpRequest(silent.address(), args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
    EXPECT_EQ(counter.passes, 4) << "three passes of the wait and the one at the call's end";

    const RawHttpServer untouched({test::CannedReply("HTTP/1.1 200 OK", "", "x")});
    HttpRequestArgs later;
    EXPECT_EQ(HttpRequest(untouched.address(), later), "");
    EXPECT_EQ(later.status, Utf8ToLocal("712 服务器未响应!"));
    EXPECT_EQ(FetchBytes(untouched.address()), "");
    EXPECT_TRUE(untouched.requests().empty());

    platform::ResumeRequests();
    EXPECT_EQ(HttpRequest(untouched.address()), "x");
}

} // namespace
} // namespace tb::net
