#pragma once
// HttpRequest: one blocking HTTP or HTTPS exchange that returns the response body as local
// text. It adds the default request headers, collects the cookies the server sets (and
// merges them with the caller's), captures the redirect target and the status text, and
// re-decodes an HTML page that declares another character set than GBK in a meta tag.
//
// Failures give the empty text and one of these messages in `status`:
//   700 transport missing, 701 address, 702 session, 703 connection, 704 request,
//   705 time-outs, 707 credentials, 708 cookie option, 709 redirect option,
//   710 request headers, 711 send, 712 no response (also a wait that was given up); 713 a
//   read failed mid-body (the call goes on with the body read so far, and the status text
//   then replaces the message).
//
// The call runs on the caller's thread. While it waits on the network the window
// processes its pending events every few milliseconds (platform/events.h), so other
// events may run in the middle of it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tb::net {

// The optional arguments of a request, each empty when the caller does not give it, and
// the caller's variables that the request writes. An output keeps its value when the call
// fails before reaching it.
struct HttpRequestArgs {
    std::optional<int> method;               // 0 GET (default), 1 POST, ... 7 CONNECT
    std::optional<std::string> postData;     // body bytes, sent with any method when not empty
    std::optional<std::string> cookiesIn;    // "a=1; b=2"; giving it enables the merge
    std::optional<std::string> extraHeaders; // lines separated by CR LF
    std::optional<bool> noRedirect;          // default false: redirects are followed
    std::optional<std::string> user;         // Basic credentials at the server
    std::optional<std::string> password;
    std::optional<std::string> proxy;     // "host:port"; empty: direct
    std::optional<std::string> proxyUser; // Basic credentials at the proxy
    std::optional<std::string> proxyPassword;
    std::optional<int> timeout;       // seconds; 0 or less: 30
    std::optional<bool> mergeCookies; // default true
    // Asked after each event pass while the request waits: true gives the wait up (a newer
    // run of the caller took over), and the call fails with 712 and writes nothing else.
    std::function<bool()> stopWaiting;

    std::string cookiesOut;      // in/out: received cookies are appended, then merged
    std::string responseHeaders; // raw header block of the final response
    std::string location;        // value of its "Location: " line, when it has one
    std::string status;          // "200 OK", or the failure message
    std::string bodyBytes;       // the raw body
    bool bodyCut = false;        // the body ended early (713), whatever `status` says now
};

// The failure message of a code listed above (local text), as `status` gets it; empty for
// any other code.
const std::string& HttpRequestMessage(int code);

std::string HttpRequest(std::string_view url, HttpRequestArgs& args);
// The common call: the address only, every argument at its default.
std::string HttpRequest(std::string_view url);
// The address only, with a check that may give the wait up (see stopWaiting).
std::string HttpRequest(std::string_view url, std::function<bool()> stopWaiting);

} // namespace tb::net
