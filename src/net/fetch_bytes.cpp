#include "net/fetch_bytes.h"

#include "data/local_text.h"
#include "net/cookies.h"
#include "net/curl_exchange.h"
#include "net/fetch_address.h"
#include "net/request_parts.h"

#include <chrono>
#include <vector>

// The byte engine over libcurl:
//   - session: curl_easy_init and the proxy option; failure gives the empty result;
//   - connection: a host and a port from 1 to 65535, and then a connection that curl
//     could actually make (name resolution, TCP, TLS). When curl could not connect, the
//     call is treated as a failed connection: empty result, no output changed;
//   - request flags: "no auto redirect" is CURLOPT_FOLLOWLOCATION off; "no cookies" needs
//     nothing, since curl's cookie engine is never switched on; cache and need-file flags
//     have no meaning for curl;
//   - bodies are read in pieces of at most 1024 bytes (CURLOPT_BUFFERSIZE);
//   - time-outs: none are given by the caller; a connection must be made within 60 s, the
//     final header block must be whole within 60 s of the request going out, and an
//     exchange that moves no byte for 60 s, or moves slower than the caller's rate floor
//     (1 KB/s over 30 s unless given), ends (a read failure: short body);
//   - a wait given up (requests abandoned, or the caller's stopWaiting) is treated as a
//     failed connection, at whatever stage: empty result, no output changed.

namespace tb::net {
namespace {

constexpr std::string_view kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr long kConnectLimitMs = 60000;
constexpr std::chrono::milliseconds kStallLimit(60000);
constexpr long kReadPieceBytes = 1024;

std::vector<std::string> headerLines(std::string_view block) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find("\r\n", start);
        end = end == std::string_view::npos ? block.size() : end;
        const std::string_view line = block.substr(start, end - start);
        if (line.find(':') != std::string_view::npos) {
            lines.emplace_back(line);
        }
        start = end + 2;
    }
    return lines;
}

bool setOptions(CurlExchange& exchange, std::string_view url, const FetchBytesArgs& args,
                int method, const std::string& agent) {
    CURL* curl = exchange.handle();
    const bool secure = IsSecureAddress(url);
    const std::string proxyOption = CurlProxyOption(args.proxy.value_or(""), secure);
    const std::string address = std::string(secure ? "https://" : "http://") + AddressHost(url) +
                                ":" + std::to_string(AddressPort(url)) +
                                RequestTarget(AddressObjectName(url));
    const std::string verb = MethodVerb(method);
    bool ok = curl_easy_setopt(curl, CURLOPT_PROXY, proxyOption.c_str()) == CURLE_OK &&
              curl_easy_setopt(curl, CURLOPT_URL, address.c_str()) == CURLE_OK &&
              curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str()) == CURLE_OK &&
              curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReadPieceBytes) == CURLE_OK &&
              exchange.setLimits(kConnectLimitMs, {kStallLimit, kStallLimit, args.rateFloor}) &&
              exchange.setFollowRedirects(!args.noRedirect.value_or(false));
    if (ok && verb == "HEAD") {
        ok = curl_easy_setopt(curl, CURLOPT_NOBODY, 1L) == CURLE_OK;
    } else if (ok && verb != "GET" && verb != "POST") {
        ok = curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str()) == CURLE_OK;
    }
    return ok;
}

// Sends `body` (kept alive by the caller until the exchange ends) unless the verb is GET
// or HEAD.
bool setBody(CurlExchange& exchange, int method, const std::string& body) {
    CURL* curl = exchange.handle();
    if (method == 0 || method == 2) {
        return true;
    }
    return curl_easy_setopt(curl, CURLOPT_POST, 1L) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                            static_cast<curl_off_t>(body.size())) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data()) == CURLE_OK;
}

std::string responseHeaderText(const ExchangeResult& result) {
    const bool received =
        result.stop == ExchangeStop::complete || result.stop == ExchangeStop::bodyCut;
    if (!received || result.headerBlockTooLarge ||
        result.headerBlock.size() + 1 > kResponseHeaderRoom) {
        return std::string(kResponseHeaderRoom, ' ');
    }
    return NormaliseSetCookie(result.headerBlock);
}

} // namespace

std::string FetchAgentText(std::string_view extraHeaders) {
    for (const std::string& line : headerLines(extraHeaders)) {
        if (FindLocal(line, "User-Agent:", 0, true) == 0) {
            const std::string agent = TrimBlanks(std::string_view(line).substr(11));
            return agent.empty() ? std::string(kDefaultAgent) : agent;
        }
    }
    return std::string(kDefaultAgent);
}

std::string FetchHeaderBlock(std::string_view extraHeaders, std::string_view url, int method,
                             std::string_view cookiesIn) {
    std::string block(extraHeaders);
    block +=
        block.empty() ? "Accept: */*" : (ContainsLocal(block, "Accept:") ? "" : "\r\nAccept: */*");
    if (!ContainsLocal(block, "Referer:")) {
        block += "\r\nReferer: " + std::string(url);
    }
    if (!ContainsLocal(block, "Accept-Language:")) {
        block += "\r\nAccept-Language: zh-cn";
    }
    if (method == 1 && !ContainsLocal(block, "Content-Type:")) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    if (!cookiesIn.empty()) {
        block += ContainsLocal(cookiesIn, "Cookie:") ? "\r\n" + std::string(cookiesIn)
                                                     : "\r\nCookie: " + std::string(cookiesIn);
    }
    return block;
}

std::string FetchBytes(std::string_view url, FetchBytesArgs& args) {
    const int given = args.method.value_or(0);
    const int method = (given >= 0 && given <= 7) ? given : 0;
    if (AddressHost(url).empty() || AddressPort(url) == 0) {
        return {};
    }
    CurlExchange exchange;
    const std::string agent = FetchAgentText(args.extraHeaders);
    if (!exchange.isOpen() || !setOptions(exchange, url, args, method, agent)) {
        return {};
    }
    const std::string cookiesIn = args.cookiesIn.value_or("");
    const std::string headers = FetchHeaderBlock(args.extraHeaders, url, method, cookiesIn);
    const std::string body =
        (method != 0 && args.postBytes.empty()) ? args.postData.value_or("") : args.postBytes;
    if (!exchange.setHeaderLines(headerLines(headers)) || !setBody(exchange, method, body)) {
        return {};
    }
    if (args.bodySink) {
        exchange.setBodySink(args.bodySink);
    }
    ExchangeResult result = exchange.perform(args.stopWaiting);
    if (result.stop == ExchangeStop::notConnected || result.stop == ExchangeStop::badAddress ||
        result.stop == ExchangeStop::abandoned) {
        return {};
    }
    args.extraHeaders = headers;
    if (method != 0) {
        args.postBytes = body;
    }
    args.responseHeaders = responseHeaderText(result);
    args.bodyComplete = result.stop == ExchangeStop::complete;
    args.status = 0;
    if (result.stop == ExchangeStop::complete || result.stop == ExchangeStop::bodyCut) {
        curl_easy_getinfo(exchange.handle(), CURLINFO_RESPONSE_CODE, &args.status);
    }
    args.cookiesOut.clear();
    AppendResponseCookies(args.responseHeaders, args.cookiesOut);
    if (args.mergeCookies.value_or(true) && args.cookiesIn) {
        args.cookiesOut = MergeCookies(*args.cookiesIn, args.cookiesOut);
    }
    return std::move(result.body);
}

std::string FetchBytes(std::string_view url) {
    FetchBytesArgs args;
    return FetchBytes(url, args);
}

} // namespace tb::net
