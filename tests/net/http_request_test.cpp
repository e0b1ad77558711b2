// Requests as the server sees them, and responses as the caller gets them.

#include "data/local_text.h"
#include "net/fetch_bytes.h"
#include "net/http_request.h"
#include "net/httplib_server.h"
#include "net/raw_http_server.h"
#include "net/request_parts.h"

#include <gtest/gtest.h>

#include <limits>

namespace tb::net {
namespace {

using test::CannedReply;
using test::HttplibServer;
using test::RawHttpServer;

const std::string kOk = CannedReply("HTTP/1.1 200 OK", "", "hello");

std::string hostLine(const RawHttpServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
}

TEST(HttpRequestWire, DefaultHeaderBlockGoesOutByteForByte) {
    RawHttpServer server({kOk});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address("/page"), args), "hello");
    EXPECT_EQ(args.status, "200 OK");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /page HTTP/1.1\r\n" + hostLine(server) +
                  "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                  "Trident/5.0)\r\n"
                  "Accept: text/html, application/xhtml+xml, */*\r\n"
                  "Accept-Encoding: gbk, GB2312\r\n"
                  "Accept-Language: zh-cn\r\n"
                  "Cache-Control: no-cache\r\n\r\n");
}

TEST(HttpRequestWire, CallerLinesSuppressDefaultsOnlyByTheirExactTestText) {
    RawHttpServer server({kOk});
    {
        HttpRequestArgs args;
        args.extraHeaders = "user-agent: X\r\naccept: text/plain";
        HttpRequest(server.address(), args);
        const std::string sent = server.requests().back();
        EXPECT_NE(sent.find("\r\nuser-agent: X\r\n"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("Mozilla"), std::string::npos) << sent;
        EXPECT_NE(sent.find("\r\naccept: text/plain\r\n"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("xhtml"), std::string::npos) << sent;
    }
    {
        // No blank after the colon: the default line is added and replaces the caller's.
        HttpRequestArgs args;
        args.extraHeaders = "User-Agent:X";
        HttpRequest(server.address(), args);
        const std::string sent = server.requests().back();
        EXPECT_NE(sent.find("\r\nUser-Agent: Mozilla/5.0"), std::string::npos) << sent;
        EXPECT_EQ(sent.find("User-Agent:X"), std::string::npos) << sent;
    }
    {
        // The Content-Type test is case-exact, so a lower-case caller line is replaced.
        HttpRequestArgs args;
        args.method = 1;
        args.extraHeaders = "content-type: text/xml";
        args.postData = "<a/>";
        HttpRequest(server.address(), args);
        const std::string sent = server.requests().back();
        EXPECT_NE(sent.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
                  std::string::npos)
            << sent;
        EXPECT_EQ(sent.find("text/xml"), std::string::npos) << sent;
    }
}

TEST(HttpRequestWire, MethodsAndBodies) {
    RawHttpServer server({kOk});
    const auto sentWith = [&](std::optional<int> method, std::string body) {
        HttpRequestArgs args;
        args.method = method;
        args.postData = std::move(body);
        HttpRequest(server.address("/m"), args);
        return server.requests().back();
    };
    EXPECT_TRUE(sentWith(9, "").starts_with("GET /m HTTP/1.1\r\n"));
    EXPECT_TRUE(sentWith(-1, "").starts_with("GET /m HTTP/1.1\r\n"));
    EXPECT_EQ(sentWith(0, "").find("Content-Length"), std::string::npos);
    const std::string getWithBody = sentWith(0, "q=1");
    EXPECT_TRUE(getWithBody.starts_with("GET /m HTTP/1.1\r\n")) << getWithBody;
    EXPECT_TRUE(getWithBody.ends_with("Content-Length: 3\r\n\r\nq=1")) << getWithBody;
    EXPECT_EQ(getWithBody.find("Content-Type:"), std::string::npos) << getWithBody;

    const std::string post = sentWith(1, "a=1&b=2");
    EXPECT_TRUE(post.starts_with("POST /m HTTP/1.1\r\n")) << post;
    EXPECT_TRUE(post.ends_with("Content-Length: 7\r\n\r\na=1&b=2")) << post;

    // A body goes with any method; a large one is sent without waiting for 100-continue.
    const std::string big(5000, 'x');
    const std::string put = sentWith(3, big);
    EXPECT_TRUE(put.starts_with("PUT /m HTTP/1.1\r\n")) << put;
    EXPECT_TRUE(put.ends_with("\r\n\r\n" + big));
    EXPECT_EQ(put.find("Expect:"), std::string::npos);
    EXPECT_EQ(put.find("Content-Type:"), std::string::npos) << "no default for PUT";

    EXPECT_TRUE(sentWith(5, "").starts_with("DELETE /m HTTP/1.1\r\n"));
    EXPECT_TRUE(sentWith(2, "").starts_with("HEAD /m HTTP/1.1\r\n"));
}

TEST(HttpRequestWire, ObjectNameIsPathAndQueryOrSlashAlone) {
    RawHttpServer server({kOk});
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    const auto requestLine = [&](const std::string& url) {
        HttpRequest(url);
        const std::string sent = server.requests().back();
        return sent.substr(0, sent.find("\r\n"));
    };
    EXPECT_EQ(requestLine(base), "GET / HTTP/1.1");
    EXPECT_EQ(requestLine(base + "/a?b=1"), "GET /a?b=1 HTTP/1.1");
    EXPECT_EQ(requestLine(base + "?b=1"), "GET / HTTP/1.1");
    EXPECT_EQ(requestLine(base + "/a/../b#frag"), "GET /a/../b HTTP/1.1");
    EXPECT_EQ(requestLine(base + Utf8ToLocal("/歌 曲")), "GET /%E6%AD%8C%20%E6%9B%B2 HTTP/1.1");
}

TEST(HttpRequestWire, PostWithCookiesGoesOutByteForByte) {
    RawHttpServer server({kOk});
    HttpRequestArgs args;
    args.method = 1;
    args.postData = "x=1";
    args.cookiesIn = "a=1; b=2";
    HttpRequest(server.address("/form"), args);
    EXPECT_EQ(server.requests().back(),
              "POST /form HTTP/1.1\r\n" + hostLine(server) +
                  "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                  "Trident/5.0)\r\n"
                  "Accept: text/html, application/xhtml+xml, */*\r\n"
                  "Accept-Encoding: gbk, GB2312\r\n"
                  "Accept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "Cache-Control: no-cache\r\n"
                  "Cookie: a=1; b=2\r\n"
                  "Content-Length: 3\r\n\r\nx=1");

    // Cookies given but empty: no Cookie line.
    HttpRequestArgs empty;
    empty.cookiesIn = "";
    HttpRequest(server.address(), empty);
    EXPECT_EQ(server.requests().back().find("Cookie"), std::string::npos);
}

TEST(HttpRequestWire, ProxyTextMayNameItsScheme) {
    RawHttpServer proxy({kOk});
    HttpRequestArgs args;
    args.proxy = "http://127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(HttpRequest("http://catalogue.invalid/s", args), "hello");
    EXPECT_EQ(args.status, "200 OK");
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_TRUE(proxy.requests()[0].starts_with("GET http://catalogue.invalid/s HTTP/1.1\r\n"));

    FetchBytesArgs fetch;
    fetch.proxy = args.proxy;
    EXPECT_EQ(FetchBytes("http://pictures.invalid/a.jpg", fetch), "hello");
    EXPECT_EQ(proxy.requests().size(), 2u);
}

TEST(HttpRequestWire, CredentialsAndProxyGoOutAsBasicAuthorisation) {
    RawHttpServer server({kOk});
    HttpRequestArgs args;
    args.user = "u";
    args.password = "p";
    args.proxy = "127.0.0.1:" + std::to_string(server.port());
    args.proxyUser = "pu";
    args.proxyPassword = "pp";
    EXPECT_EQ(HttpRequest("http://catalogue.invalid/x", args), "hello");
    const std::string sent = server.requests().back();
    EXPECT_TRUE(sent.starts_with("GET http://catalogue.invalid/x HTTP/1.1\r\n")) << sent;
    EXPECT_NE(sent.find("\r\nAuthorization: Basic dTpw\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);

    // Only one half of a credential pair sends nothing.
    HttpRequestArgs half;
    half.user = "u";
    HttpRequest(server.address(), half);
    EXPECT_EQ(server.requests().back().find("Authorization"), std::string::npos);
}

TEST(HttpRequestParts, ProxyTextNamesTheSchemeForHttpAddresses) {
    EXPECT_EQ(TransportProxyText("1.2.3.4:8080", false), "http=1.2.3.4:8080");
    EXPECT_EQ(TransportProxyText("1.2.3.4:8080", true), "1.2.3.4:8080");
    EXPECT_EQ(ProxyForAddress("http=1.2.3.4:8080", false), "1.2.3.4:8080");
    EXPECT_EQ(ProxyForAddress("http=1.2.3.4:8080", true), "");
    EXPECT_EQ(ProxyForAddress("1.2.3.4:8080", false), "1.2.3.4:8080");
    EXPECT_EQ(ProxyForAddress("https=5.6.7.8:1;http=1.2.3.4:8080", true), "5.6.7.8:1");

    EXPECT_EQ(CurlProxyOption("", false), "");
    EXPECT_EQ(CurlProxyOption("1.2.3.4:8080", false), "http://1.2.3.4:8080");
    EXPECT_EQ(CurlProxyOption("1.2.3.4:8080", true), "http://1.2.3.4:8080");
    EXPECT_EQ(CurlProxyOption("http://1.2.3.4:8080", false), "http://1.2.3.4:8080");
    EXPECT_EQ(CurlProxyOption("HTTP://1.2.3.4:8080", true), "HTTP://1.2.3.4:8080");
    EXPECT_EQ(CurlProxyOption("proxy.local", false), "http://proxy.local:80");
    EXPECT_EQ(CurlProxyOption("[::1]", true), "http://[::1]:80");
    EXPECT_EQ(CurlProxyOption("[::1]:3128", true), "http://[::1]:3128");
}

TEST(HttpRequestParts, OneTimeOutForEveryPhase) {
    EXPECT_EQ(RequestTimeoutMs(0), 30000);
    EXPECT_EQ(RequestTimeoutMs(-7), 30000);
    EXPECT_EQ(RequestTimeoutMs(1), 1000);
    EXPECT_EQ(RequestTimeoutMs(5), 5000);
    EXPECT_EQ(RequestTimeoutMs(std::numeric_limits<int>::max()), 24L * 3600 * 1000);
}

TEST(HttpRequestParts, HeaderBlockAddsEachMissingDefaultInOrder) {
    const std::string agent =
        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
    const std::string accepts = "Accept: text/html, application/xhtml+xml, */*\r\n"
                                "Accept-Encoding: gbk, GB2312\r\n"
                                "Accept-Language: zh-cn\r\n";
    const std::string form = "Content-Type: application/x-www-form-urlencoded\r\n";
    const std::string cache = "Cache-Control: no-cache\r\n";
    EXPECT_EQ(RequestHeaderBlock("X-A: 1", 1, "a=1; b=2"),
              "X-A: 1\r\n" + agent + accepts + form + cache + "Cookie: a=1; b=2\r\n");
    EXPECT_EQ(RequestHeaderBlock("", 0, ""), agent + accepts + cache);
    EXPECT_EQ(RequestHeaderBlock("", 3, ""), agent + accepts + cache) << "Content-Type: POST only";
    // Caller lines suppress a default only by its test text: letter case ignored except
    // for Content-Type, the trailing blank required except for Content-Type.
    EXPECT_EQ(RequestHeaderBlock("cookie: z=9\r\nCACHE-CONTROL: max-age=0", 0, "a=1"),
              "cookie: z=9\r\nCACHE-CONTROL: max-age=0\r\n" + agent + accepts);
    EXPECT_EQ(RequestHeaderBlock("Content-Type:text/xml", 1, ""),
              "Content-Type:text/xml\r\n" + agent + accepts + cache);
    EXPECT_EQ(RequestHeaderBlock("content-type: text/xml", 1, ""),
              "content-type: text/xml\r\n" + agent + accepts + form + cache);
    EXPECT_EQ(RequestHeaderBlock("Accept-Language:en", 0, ""),
              "Accept-Language:en\r\n" + agent + accepts + cache);
}

TEST(HttpRequestResponse, CookiesAreCollectedAndMergedWithTheCallers) {
    RawHttpServer server(
        {CannedReply("HTTP/1.1 200 OK", "set-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "x"),
         CannedReply("HTTP/1.1 200 OK", "Set-Cookie: b=9; path=/\r\nSET-COOKIE: c=deleted\r\n",
                     "x")});
    HttpRequestArgs fresh;
    HttpRequest(server.address(), fresh);
    EXPECT_EQ(fresh.cookiesOut, "a=1; b=2");
    EXPECT_NE(fresh.responseHeaders.find("\r\nSet-Cookie: a=1; path=/\r\n"), std::string::npos);

    HttpRequestArgs returning;
    returning.cookiesIn = "a=1; b=2; c=3";
    HttpRequest(server.address(), returning);
    EXPECT_NE(server.requests().back().find("\r\nCookie: a=1; b=2; c=3\r\n"), std::string::npos);
    EXPECT_EQ(returning.cookiesOut, "b=9; a=1");

    HttpRequestArgs unmerged;
    unmerged.cookiesIn = "a=1";
    unmerged.mergeCookies = false;
    HttpRequest(server.address(), unmerged);
    EXPECT_EQ(unmerged.cookiesOut, "b=9; c=deleted");
}

TEST(HttpRequestResponse, RedirectsAreFollowedUnlessForbidden) {
    HttplibServer http;
    http.server.Get("/start", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/end", 302);
        response.set_content("moved", "text/plain");
    });
    http.server.Get("/end", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("arrived", "text/plain");
    });
    http.start();

    HttpRequestArgs followed;
    followed.location = "untouched";
    EXPECT_EQ(HttpRequest(http.address("/start"), followed), "arrived");
    EXPECT_EQ(followed.status, "200 OK");
    EXPECT_EQ(followed.location, "untouched") << "the final response has no Location line";
    EXPECT_TRUE(followed.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(followed.responseHeaders.ends_with("\r\n\r\n"));

    HttpRequestArgs stopped;
    stopped.noRedirect = true;
    EXPECT_EQ(HttpRequest(http.address("/start"), stopped), "moved");
    EXPECT_EQ(stopped.status, "302 Found");
    EXPECT_EQ(stopped.location, "/end");
}

TEST(HttpRequestResponse, LocationIsTakenFromLinesThatStartWithItsNameAndABlank) {
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK",
                                      "X-Location: /x\r\nlocation: /first\r\n"
                                      "Content-Location: /c\r\nLOCATION:  /second\r\n"
                                      "Location:/no-blank\r\n",
                                      "page")});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address(), args), "page");
    EXPECT_EQ(args.location, " /second") << "the last such line, from its 11th character";
}

TEST(HttpRequestResponse, HeaderLinesEndedByLineFeedAloneAreStillLines) {
    const std::string lines = "Set-Cookie: a=1; path=/\nLocation: /x\nContent-Length: 2\n"
                              "Connection: close\n\n";
    RawHttpServer server({"HTTP/1.1 200 OK\n" + lines + "ok"});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address(), args), "ok");
    EXPECT_EQ(args.status, "200 OK");
    EXPECT_EQ(args.cookiesOut, "a=1");
    EXPECT_EQ(args.location, "/x");
    EXPECT_EQ(args.responseHeaders, "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nLocation: /x\r\n"
                                    "Content-Length: 2\r\nConnection: close\r\n\r\n");

    FetchBytesArgs fetch;
    EXPECT_EQ(FetchBytes(server.address(), fetch), "ok");
    EXPECT_EQ(fetch.cookiesOut, "a=1");
    EXPECT_EQ(fetch.responseHeaders, args.responseHeaders);
}

TEST(HttpRequestResponse, ErrorPagesAreReturnedWithTheirStatus) {
    RawHttpServer server({CannedReply("HTTP/1.1 404 Not Found", "", "no such page")});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address("/missing"), args), "no such page");
    EXPECT_EQ(args.status, "404 Not Found");
    EXPECT_EQ(args.bodyBytes, "no such page");
}

TEST(HttpRequestResponse, DeclaredCharsetReDecodesThePage) {
    const std::string utf8Page =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
        "</head><body>歌曲 노래</body></html>";
    const std::string gbPage = Utf8ToLocal("<meta charset=\"gb2312\"><p>歌曲</p>");
    const std::string lateTag = std::string(1100, ' ') + "<meta charset=\"utf-8\">歌曲";
    const std::string withZero = std::string("<meta charset=utf-8>ab\0cd", 25);
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", utf8Page),
                          CannedReply("HTTP/1.1 200 OK", "", gbPage),
                          CannedReply("HTTP/1.1 200 OK", "", lateTag),
                          CannedReply("HTTP/1.1 200 OK", "", withZero)});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address(), args), Utf8ToLocal(utf8Page));
    EXPECT_EQ(args.bodyBytes, utf8Page);
    EXPECT_EQ(HttpRequest(server.address()), gbPage);
    EXPECT_EQ(HttpRequest(server.address()), lateTag) << "a tag after 1024 bytes is not seen";
    EXPECT_EQ(HttpRequest(server.address()), withZero) << "decoding takes the whole body";
}

TEST(HttpRequestResponse, CharsetLabelsInCapitalsUnknownOnesAndInvalidBytes) {
    // "GB2312" and "GBK" in capitals are not the exact names that skip re-decoding; the
    // page still holds a GBK-only and a four-byte character that must survive it.
    const std::string gbCaps = Utf8ToLocal("<meta charset=\"GB2312\"><p>丂歌</p>");
    const std::string gbkCaps = Utf8ToLocal("<meta charset=GBK><p>丂🎵</p>");
    const std::string utf8Caps = "<meta charset=UTF-8>歌";
    const std::string unknown = "<meta charset=\"x-no-such-set\">\xB8\xE8\xFF";
    RawHttpServer server(
        {CannedReply("HTTP/1.1 200 OK", "", gbCaps), CannedReply("HTTP/1.1 200 OK", "", gbkCaps),
         CannedReply("HTTP/1.1 200 OK", "", utf8Caps), CannedReply("HTTP/1.1 200 OK", "", unknown),
         CannedReply("HTTP/1.1 200 OK", "",
                     "<meta charset=utf-8>\xFF"
                     "a\xC3")});
    EXPECT_EQ(HttpRequest(server.address()), gbCaps);
    EXPECT_EQ(HttpRequest(server.address()), gbkCaps);
    EXPECT_EQ(HttpRequest(server.address()), Utf8ToLocal(utf8Caps));
    EXPECT_EQ(HttpRequest(server.address()), unknown);
    EXPECT_EQ(HttpRequest(server.address()), "<meta charset=utf-8>?a?") << "invalid UTF-8";
}

TEST(HttpRequestResponse, BodyTextEndsAtTheFirstZeroByteWithoutCharset) {
    const std::string body("ab\0cd", 5);
    RawHttpServer server({CannedReply("HTTP/1.1 200 OK", "", body)});
    HttpRequestArgs args;
    EXPECT_EQ(HttpRequest(server.address(), args), "ab");
    EXPECT_EQ(args.bodyBytes, body);
}

} // namespace
} // namespace tb::net
