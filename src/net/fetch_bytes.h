#pragma once
// FetchBytes: one blocking HTTP or HTTPS exchange that returns the raw response body, for
// pictures. It sends a small default header block (which the caller sees afterwards in
// `extraHeaders`), collects the cookies the response sets and merges them with the
// caller's. It has no messages: when no connection can be made the result is empty and
// no output changes; a failed send or read gives an empty or short body, and
// `bodyComplete` tells a whole body from one cut short. While it waits on
// the network the window processes its pending events every few milliseconds; a wait that
// is given up (requests abandoned, or stopWaiting) ends like a failed connection.

#include "transport/transfer_watch.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tb::net {

// The optional arguments of a fetch, each empty when the caller does not give it, and the
// caller's variables that the fetch reads and writes.
struct FetchBytesArgs {
    std::optional<int> method;            // 0 GET (default) ... 7 CONNECT; others are 0
    std::optional<std::string> postData;  // body text, used when postBytes is empty
    std::optional<std::string> cookiesIn; // "a=1; b=2", or a whole "Cookie: ..." line
    std::optional<bool> noRedirect;       // default false: redirects are followed
    std::optional<std::string> proxy;     // "host:port"; empty: direct
    std::optional<bool> mergeCookies;     // default true
    std::function<bool()> stopWaiting;    // asked while waiting; true gives the wait up
    // A transfer slower than this on average over the window ends as a read failure.
    transport::RateFloor rateFloor = transport::kDefaultRateFloor;
    // When given, the body goes to this sink piece by piece as it arrives and the result is
    // empty; a sink that answers false ends the transfer, cut short.
    std::function<bool(std::string_view)> bodySink;

    std::string extraHeaders;    // in/out: the caller's lines; the default lines are added
    std::string postBytes;       // in/out: body bytes; filled from postData when empty
    std::string cookiesOut;      // emptied, then the received (and merged) cookies
    std::string responseHeaders; // raw header block; 5000 blanks when it does not fit
    long status = 0;             // the final response's status code; 0 when none arrived
    bool bodyComplete = false;   // the final response's body arrived whole
};

// The room the raw response header block has, terminating zero included.
constexpr std::size_t kResponseHeaderRoom = 5000;

std::string FetchBytes(std::string_view url, FetchBytesArgs& args);
// The common call: the address only, a plain GET.
std::string FetchBytes(std::string_view url);

// The agent text: the value of the caller's User-Agent line (name in any letter case),
// trimmed; the default agent when there is no such line or its value is empty.
std::string FetchAgentText(std::string_view extraHeaders);
// The header block sent: the caller's lines, then the default lines they lack.
std::string FetchHeaderBlock(std::string_view extraHeaders, std::string_view url, int method,
                             std::string_view cookiesIn);

} // namespace tb::net
