// The byte engine, its address rules and the picture loader's address.

#include "net/endpoints.h"
#include "net/fetch_address.h"
#include "net/fetch_bytes.h"
#include "net/httplib_server.h"
#include "net/random_picture.h"
#include "net/raw_http_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace tb::net {
namespace {

using test::CannedReply;
using test::RawHttpServer;

TEST(FetchBytesWire, DefaultHeaderBlockAndAgent) {
    const std::string picture("\xFF\xD8\xFF\x00jpeg", 8);
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", picture)});
    const std::string url = server.address("/p.jpg");
    FetchBytesArgs args;
    EXPECT_EQ(FetchBytes(url, args), picture);
    EXPECT_EQ(args.extraHeaders, "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn");
    EXPECT_EQ(server.requests()[0],
              "GET /p.jpg HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                  "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                  "Accept: */*\r\nReferer: " +
                  url + "\r\nAccept-Language: zh-cn\r\n\r\n");
    EXPECT_TRUE(args.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(FetchBytesWire, CallerAgentAndWholeCookieLine) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", "x")});
    FetchBytesArgs args;
    args.extraHeaders = "user-agent:  Picker/1.0 ";
    args.cookiesIn = "Cookie: a=1";
    FetchBytes(server.address(), args);
    const std::string sent = server.requests()[0];
    EXPECT_NE(sent.find("\r\nuser-agent:  Picker/1.0 \r\n"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("Mozilla"), std::string::npos) << sent;
    EXPECT_NE(sent.find("\r\nCookie: a=1\r\n"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("Cookie: Cookie:"), std::string::npos) << sent;
    EXPECT_EQ(FetchAgentText("user-agent:  Picker/1.0 "), "Picker/1.0");
    EXPECT_EQ(FetchAgentText("User-Agent: \r\nAccept: */*"),
              "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
}

TEST(FetchBytesWire, BodyOnlyWithMethodsOtherThanGet) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", "x")});
    {
        FetchBytesArgs args;
        args.postData = "ignored";
        FetchBytes(server.address("/g"), args);
        const std::string sent = server.requests().back();
        EXPECT_TRUE(sent.starts_with("GET /g HTTP/1.1\r\n")) << sent;
        EXPECT_TRUE(sent.ends_with("\r\n\r\n")) << sent;
        EXPECT_EQ(args.postBytes, "");
    }
    {
        FetchBytesArgs args;
        args.method = 1;
        args.postData = "a=1";
        FetchBytes(server.address("/p"), args);
        const std::string sent = server.requests().back();
        EXPECT_TRUE(sent.starts_with("POST /p HTTP/1.1\r\n")) << sent;
        EXPECT_TRUE(sent.ends_with("\r\n\r\na=1")) << sent;
        EXPECT_NE(sent.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
                  std::string::npos);
        EXPECT_EQ(args.postBytes, "a=1");
    }
    {
        FetchBytesArgs args;
        args.method = 42;
        args.postData = "ignored";
        FetchBytes(server.address("/o"), args);
        EXPECT_TRUE(server.requests().back().starts_with("GET /o HTTP/1.1\r\n"));
    }
}

TEST(FetchBytesWire, UpperCaseHostIsConnectedInLowerCaseObjectNameKeepsItsCase) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", "x")});
    const std::string url = "HTTP://127.0.0.1:" + std::to_string(server.port()) + "/Pics/A.JPG";
    EXPECT_EQ(FetchBytes(url), "x");
    EXPECT_TRUE(server.requests()[0].starts_with("GET /Pics/A.JPG HTTP/1.1\r\n"));
    EXPECT_EQ(AddressHost("http://WWW.Example.COM:8080/A?b=C"), "www.example.com");
}

TEST(FetchBytesWire, ProxyGetsTheAbsoluteAddress) {
    RawHttpServer proxy({CannedReply("HTTP/1.1 200 OK", "", "via proxy")});
    FetchBytesArgs args;
    args.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(FetchBytes("http://pictures.invalid/a.jpg", args), "via proxy");
    const std::string sent = proxy.requests()[0];
    EXPECT_TRUE(sent.starts_with("GET http://pictures.invalid/a.jpg HTTP/1.1\r\n")) << sent;
}

TEST(FetchAddress, HostPortAndObjectName) {
    EXPECT_EQ(AddressPort("http://example.com:8080/a"), 8080);
    EXPECT_EQ(AddressPort("https://example.com/a"), 443);
    EXPECT_EQ(AddressPort("HTTPS://example.com"), 443);
    EXPECT_EQ(AddressPort("example.com/a"), 80);
    EXPECT_EQ(AddressHost("example.com/a"), "example.com");
    EXPECT_EQ(AddressPort("http://example.com:x/"), 0);
    EXPECT_EQ(AddressObjectName("http://Example.com/A/b?c=D"), "/A/b?c=D");
    EXPECT_EQ(AddressObjectName("http://example.com"), "/");
    EXPECT_EQ(AddressObjectName("example.com:81/x"), "/x");
    EXPECT_EQ(AddressHost("http://example.com?q=1"), "example.com");
    // Hosts that also occur inside the scheme, and a scheme-less address whose query
    // carries another address.
    EXPECT_EQ(AddressObjectName("http://t:8080/path?x=1"), "/path?x=1");
    EXPECT_EQ(AddressObjectName("https://s/Pics"), "/Pics");
    EXPECT_EQ(AddressObjectName("HTTP://HTTP/a"), "/a");
    EXPECT_EQ(AddressHost("example.com/go?to=http://elsewhere/x"), "example.com");
    EXPECT_EQ(AddressObjectName("example.com/go?to=http://elsewhere/x"),
              "/go?to=http://elsewhere/x");
}

TEST(FetchBytesResponse, OversizedHeaderBlockLeavesBlanksAndNoCookies) {
    const std::string filler = "X-Filler: " + std::string(1000, 'f') + "\r\n";
    const std::string lines = "Set-Cookie: a=1\r\n" + filler + filler + filler + filler + filler;
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", lines, "body"),
                          CannedReply("HTTP/1.1 200 OK", "set-cookie: a=1; path=/\r\n", "body")});
    FetchBytesArgs args;
    args.cookiesOut = "before";
    EXPECT_EQ(FetchBytes(server.address(), args), "body");
    EXPECT_EQ(args.responseHeaders, std::string(kResponseHeaderRoom, ' '));
    EXPECT_EQ(args.cookiesOut, "");

    FetchBytesArgs fitting;
    fitting.cookiesIn = "a=0; z=9";
    EXPECT_EQ(FetchBytes(server.address(), fitting), "body");
    EXPECT_NE(fitting.responseHeaders.find("\r\nSet-Cookie: a=1; path=/\r\n"), std::string::npos);
    EXPECT_EQ(fitting.cookiesOut, "a=1; z=9");
}

TEST(FetchBytesFailure, NoConnectionChangesNothing) {
    FetchBytesArgs args;
    args.cookiesOut = "kept";
    args.extraHeaders = "X-Mine: 1";
    args.method = 1;
    args.postData = "d";
    const std::string url = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
    EXPECT_EQ(FetchBytes(url, args), "");
    EXPECT_EQ(args.cookiesOut, "kept");
    EXPECT_EQ(args.extraHeaders, "X-Mine: 1");
    EXPECT_EQ(args.postBytes, "");
    EXPECT_EQ(args.responseHeaders, "");
}

TEST(FetchBytesFailure, AddressesWithoutAHostOrPortChangeNothing) {
    for (const char* url : {"http:///x.jpg", "", "https://", "http://:80/x", "http://h:0/"}) {
        FetchBytesArgs args;
        args.cookiesOut = "kept";
        args.extraHeaders = "X-Mine: 1";
        EXPECT_EQ(FetchBytes(url, args), "") << url;
        EXPECT_EQ(args.cookiesOut, "kept") << url;
        EXPECT_EQ(args.extraHeaders, "X-Mine: 1") << url;
        EXPECT_EQ(args.responseHeaders, "") << url;
    }
}

TEST(FetchBytesFailure, HugeHeaderBlockIsRefusedNotHeld) {
    std::string lines = "Set-Cookie: a=1\r\n";
    const std::string filler = "X-Filler: " + std::string(90, 'f') + "\r\n";
    while (lines.size() < 10 * 1024 * 1024) {
        lines += filler;
    }
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", lines, "body")});
    FetchBytesArgs args;
    args.cookiesOut = "before";
    EXPECT_EQ(FetchBytes(server.address(), args), "");
    EXPECT_EQ(args.responseHeaders, std::string(kResponseHeaderRoom, ' '));
    EXPECT_EQ(args.cookiesOut, "");
}

TEST(FetchBytesFailure, ServerClosingMidBodyGivesTheShortBody) {
    RawHttpServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"});
    FetchBytesArgs args;
    EXPECT_EQ(FetchBytes(server.address(), args), "short");
    EXPECT_TRUE(args.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(FetchBytesResponse, StatusAndWholenessTellACompleteBodyFromAFailedOne) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", "song"),
                          CannedReply("HTTP/1.1 404 Not Found", "", "<html>gone</html>"),
                          "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"});
    struct Case {
        std::string body;
        long status;
        bool complete;
    };
    for (const Case& expected : {Case{"song", 200, true}, Case{"<html>gone</html>", 404, true},
                                 Case{"short", 200, false}}) {
        FetchBytesArgs args;
        EXPECT_EQ(FetchBytes(server.address(), args), expected.body);
        EXPECT_EQ(args.status, expected.status) << expected.body;
        EXPECT_EQ(args.bodyComplete, expected.complete) << expected.body;
    }
    FetchBytesArgs refused;
    FetchBytes("http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()), refused);
    EXPECT_EQ(refused.status, 0);
    EXPECT_FALSE(refused.bodyComplete);
}

TEST(RandomPicture, OnlyTheNineNumbersAreDrawnEachOfThem) {
    std::mt19937 generator(7);
    const std::set<int> allowed{19, 22, 23, 24, 25, 27, 28, 29, 31};
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const int number = DrawPictureNumber(generator);
        ASSERT_TRUE(allowed.contains(number)) << number;
        seen.insert(number);
    }
    EXPECT_EQ(seen, allowed);
    EXPECT_EQ(PictureAddress("http://img", 22),
              "http://img/news/201711/304194265017/o_304198640022.jpg");
}

TEST(RandomPicture, FetchedFromTheConfiguredImageHostOnly) {
    ::unsetenv("TUNEBATCH_IMAGE_HOST");
    EXPECT_EQ(ImageHost(), "");
    EXPECT_EQ(FetchRandomPicture(), "");

    test::HttplibServer images;
    std::string requested;
    images.server.Get(R"(/news/201711/304194265017/(o_\d+\.jpg))",
                      [&](const httplib::Request& request, httplib::Response& response) {
                          requested = request.matches[1];
                          response.set_content("jpeg-bytes", "image/jpeg");
                      });
    images.start();
    ::setenv("TUNEBATCH_IMAGE_HOST", (images.address("") + "/").c_str(), 1);
    EXPECT_EQ(FetchRandomPicture(), "jpeg-bytes");
    ::unsetenv("TUNEBATCH_IMAGE_HOST");
    EXPECT_TRUE(requested.starts_with("o_3041986400")) << requested;
}

TEST(Endpoints, DefaultsAndOverrides) {
    for (const char* name :
         {"TUNEBATCH_SEARCH_HOST", "TUNEBATCH_TIP_HOST", "TUNEBATCH_PLAY_HOST"}) {
        ::unsetenv(name);
    }
    EXPECT_EQ(SearchHost(), "http://songsearch.kugou.com");
    EXPECT_EQ(TipHost(), "http://searchtip.kugou.com");
    EXPECT_EQ(PlayHost(), "http://www.kugou.com");
    ::setenv("TUNEBATCH_SEARCH_HOST", "http://127.0.0.1:8123/", 1);
    EXPECT_EQ(SearchHost(), "http://127.0.0.1:8123");
    ::unsetenv("TUNEBATCH_SEARCH_HOST");
}

} // namespace
} // namespace tb::net
