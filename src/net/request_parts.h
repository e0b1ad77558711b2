#pragma once
// The pieces of a text request that do not need the network: address parsing, verbs,
// the default request header block, proxy text and the status text of a response.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::net {

struct ParsedAddress {
    bool secure = false;    // https
    std::string host;       // as written (letter case kept)
    int port = 0;           // the scheme's default when the address names none
    std::string objectName; // path + query; "/" alone when the path is empty
};

// Splits an absolute http or https address. Empty for another scheme, a missing host or a
// port that is not a number from 1 to 65535. A query that follows the host directly is
// not part of the object name; a fragment never is.
std::optional<ParsedAddress> ParseAddress(std::string_view url);

// The object name as it goes into the request line: UTF-8, with blanks, control bytes and
// non-ASCII bytes percent-escaped.
std::string RequestTarget(std::string_view objectName);

// 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; other numbers GET.
std::string MethodVerb(int method);

// The caller's header lines followed by every default line whose name the caller did not
// already write, CR LF after each line.
std::string RequestHeaderBlock(std::string_view extraHeaders, int method,
                               std::string_view cookiesIn);

// The header lines of a block as the server gets them: a later line replaces an earlier
// one of the same name (letter case ignored), in the earlier one's place; empty lines are
// skipped. Empty when a line has no ":".
std::optional<std::vector<std::string>> ResolveHeaderLines(std::string_view block);

// The proxy setting handed to the transport: the proxy itself for an https address,
// "http=" + proxy for an http address (the proxy then serves http addresses only).
std::string TransportProxyText(std::string_view proxy, bool secure);
// The proxy that a transport proxy setting names for an address of the given kind, empty
// when it names none: "scheme=host:port" entries apply to their scheme only, a plain
// "host:port" to every scheme. Entries are separated by ";" or blanks.
std::string ProxyForAddress(std::string_view transportProxy, bool secure);
// The proxy option for curl from the caller's proxy text: empty for a direct exchange,
// else the proxy that serves the address, with "http://" in front unless the text already
// names a scheme ("http://1.2.3.4:8080" is as good a proxy text as "1.2.3.4:8080"), and
// the port 80 when a plain text names none.
std::string CurlProxyOption(std::string_view proxy, bool secure);

// The one time-out of a request, used for name resolution, connecting, sending and
// receiving alike, in milliseconds: `seconds` × 1000 when above 0 (at most a day, so the
// product cannot overflow), else 30000.
long RequestTimeoutMs(int seconds);

// The status text of a raw response header block: the first line from its 10th character
// ("HTTP/1.1 200 OK" gives "200 OK").
std::string StatusTextOf(std::string_view headerBlock);

} // namespace tb::net
