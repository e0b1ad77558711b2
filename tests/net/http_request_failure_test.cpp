// Failures of the text engine: which message, and what the caller's variables keep.

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "net/raw_http_server.h"

#include <chrono>
#include <httplib.h>
#include <thread>

#include <gtest/gtest.h>

namespace tb::net {
namespace {

using test::CannedReply;
using test::RawHttpServer;

// Arguments whose outputs hold markers, to see which ones a call writes.
HttpRequestArgs markedArgs() {
    HttpRequestArgs args;
    args.cookiesOut = "cookies-before";
    args.responseHeaders = "headers-before";
    args.location = "location-before";
    args.status = "status-before";
    args.bodyBytes = "body-before";
    return args;
}

void expectOutputsUntouchedExceptStatus(const HttpRequestArgs& args) {
    EXPECT_EQ(args.cookiesOut, "cookies-before");
    EXPECT_EQ(args.responseHeaders, "headers-before");
    EXPECT_EQ(args.location, "location-before");
    EXPECT_EQ(args.bodyBytes, "body-before");
}

TEST(HttpRequestFailure, AddressesThatCannotBeSplitGive701) {
    for (const char* url : {"http:///path", "ftp://127.0.0.1/", "127.0.0.1/page",
                            "http://127.0.0.1:99999/", "http://127.0.0.1:8x/", ""}) {
        HttpRequestArgs args = markedArgs();
        EXPECT_EQ(HttpRequest(url, args), "") << url;
        EXPECT_EQ(args.status, Utf8ToLocal("701 解析URL地址失败!")) << url;
        expectOutputsUntouchedExceptStatus(args);
    }
}

TEST(HttpRequestFailure, RefusedConnectionIsAFailedSend) {
    HttpRequestArgs args = markedArgs();
    const std::string url = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/";
    EXPECT_EQ(HttpRequest(url, args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("711 发送请求失败!"));
    expectOutputsUntouchedExceptStatus(args);
}

TEST(HttpRequestFailure, SilentServerTimesOutAsNoResponse) {
    RawHttpServer server({""}); // reads the request, never answers
    HttpRequestArgs args = markedArgs();
    args.timeout = 1;
    EXPECT_EQ(HttpRequest(server.address(), args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
    expectOutputsUntouchedExceptStatus(args);
}

TEST(HttpRequestFailure, ConnectionClosedBeforeAnyReplyIsNoResponse) {
    RawHttpServer server({"HTTP/1.1 200 OK\r\nContent-Le"});
    HttpRequestArgs args = markedArgs();
    EXPECT_EQ(HttpRequest(server.address(), args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
    expectOutputsUntouchedExceptStatus(args);
}

TEST(HttpRequestFailure, BodyCutShortKeepsWhatArrivedAndTheStatus) {
    const std::string half(500, 'a');
    RawHttpServer server(
        {"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nSet-Cookie: s=1\r\n\r\n" + half});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address(), args), half);
    EXPECT_EQ(args.status, "200 OK");
    EXPECT_EQ(args.bodyBytes, half);
    EXPECT_EQ(args.cookiesOut, "s=1");
}

TEST(HttpRequestFailure, BodyStallingPastTheTimeOutKeepsWhatArrived) {
    RawHttpServer server(
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial" + test::kThenStall});
    HttpRequestArgs args = markedArgs();
    args.timeout = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpRequest(server.address(), args), "partial");
    // The time-out is a limit on silence, not on average speed: the burst before the stall
    // must not stretch it (a generous bound, far below what averaging took: 7 s).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(args.status, "200 OK");
    EXPECT_EQ(args.bodyBytes, "partial");
}

TEST(HttpRequestFailure, OversizedHeaderBlockIsRefusedNotHeld) {
    std::string lines;
    const std::string filler = "X-Filler: " + std::string(90, 'f') + "\r\n";
    while (lines.size() < 10 * 1024 * 1024) {
        lines += filler;
    }
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", lines, "body")});
    HttpRequestArgs args = markedArgs();
    EXPECT_EQ(HttpRequest(server.address(), args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
    expectOutputsUntouchedExceptStatus(args);
}

TEST(HttpRequestFailure, TooManyRedirectsIsNoResponse) {
    RawHttpServer server({CannedReply("HTTP/1.1 302 Found", "Location: /again\r\n", "")});
    HttpRequestArgs args = markedArgs();
    EXPECT_EQ(HttpRequest(server.address(), args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("712 服务器未响应!"));
    EXPECT_EQ(server.requests().size(), 11u) << "the first request and ten redirects";
}

TEST(HttpRequestFailure, HeaderLineWithoutColonGives710) {
    HttpRequestArgs args = markedArgs();
    args.extraHeaders = "not a header";
    EXPECT_EQ(HttpRequest("http://127.0.0.1:1/", args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("710 设置协议头失败!"));
}

TEST(HttpRequestFailure, UntrustedCertificateFailsTheSend) {
    httplib::SSLServer server(TB_TEST_DATA_DIR "/net/self_signed_cert.pem",
                              TB_TEST_DATA_DIR "/net/self_signed_key.pem");
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("secret", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/";

    HttpRequestArgs args = markedArgs();
    EXPECT_EQ(HttpRequest(url, args), "");
    EXPECT_EQ(args.status, Utf8ToLocal("711 发送请求失败!"));
    expectOutputsUntouchedExceptStatus(args);
    EXPECT_EQ(FetchBytes(url), "");

    while (!server.is_running()) {
        std::this_thread::yield();
    }
    server.stop();
    serving.join();
}

} // namespace
} // namespace tb::net
