#pragma once
// One HTTP exchange over libcurl, shared by the text and byte engines. It collects the raw
// header block of the final response and the body, and tells how far the exchange got,
// which is what both engines report failures by. It runs on the calling thread; while it
// waits, the window processes its pending events every few milliseconds.

#include "transport/curl_setup.h"
#include "transport/transfer_watch.h"

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::net {

// Where an exchange stopped.
enum class ExchangeStop {
    complete,     // the final response was read whole
    badAddress,   // curl refused the address before connecting
    notConnected, // name resolution, proxy, TCP connection or TLS handshake failed
    notSent,      // connected, but the request could not be sent
    noResponse,   // sent, but the final response's header block did not arrive whole
    bodyCut,      // the header block arrived, the body ended early (read error, time limit)
    abandoned,    // the wait was given up: the program is ending, or a newer run took over
};

struct ExchangeResult {
    ExchangeStop stop = ExchangeStop::noResponse;
    CURLcode code = CURLE_OK;
    std::string headerBlock; // final response: status line, header lines, CR LF each
    bool headerBlockTooLarge = false;
    std::string body;
};

// The longest the exchange waits on the network before the window's pending events are
// processed again.
constexpr int kEventSliceMs = 20;

class CurlExchange {
public:
    CurlExchange();
    ~CurlExchange();
    CurlExchange(const CurlExchange&) = delete;
    CurlExchange& operator=(const CurlExchange&) = delete;

    bool isOpen() const { return m_curl != nullptr; }
    CURL* handle() const { return m_curl; }

    // Sends exactly these header lines. curl's own Accept, Expect and (for bodies)
    // Content-Type lines are suppressed unless a line of that name is among them.
    bool setHeaderLines(const std::vector<std::string>& lines);
    bool setFollowRedirects(bool follow);
    // A connection (TLS included) must be made within `connectMs`; the transfer ends when
    // it breaks one of `limits` (checked at curl's progress calls, which come at least
    // about once a second). A header block too large, or any limit broken before the final
    // header block is whole, ends it as `noResponse`; later, as `bodyCut`.
    bool setLimits(long connectMs, const transport::TransferLimits& limits);
    // Hands the body to sink piece by piece instead of collecting it in the result; a sink
    // that answers false ends the transfer (the body is then cut short).
    void setBodySink(std::function<bool(std::string_view)> sink) { m_sink = std::move(sink); }

    // Runs the exchange, processing pending events between short waits on the network.
    // It ends as `abandoned`, whatever has arrived, as soon as requests are abandoned or
    // `stopWaiting` (asked after each event pass) answers true.
    ExchangeResult perform(const std::function<bool()>& stopWaiting = {});

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onPrerequest(void* self, char*, char*, int, int);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent);
    void noteReceived(std::size_t bytes);
    bool acceptHeaderLine(std::string_view line);
    ExchangeStop classify(CURLcode code) const;
    // Drives the transfer to its end; false when the wait was given up.
    bool drive(CURLM* multi, const std::function<bool()>& stopWaiting, CURLcode& code);

    CURL* m_curl = nullptr;
    curl_slist* m_headers = nullptr;
    bool m_follow = false;
    bool m_connected = false;  // a connection was ready and the request about to go
    bool m_statusSeen = false; // some response's status line arrived
    bool m_blockDone = false;  // the current header block ended with its blank line
    bool m_finalBlock = false; // ... and it is not a redirect curl will follow, nor 1xx
    ExchangeResult m_result;
    std::function<bool(std::string_view)> m_sink;

    transport::TransferWatch m_watch;
    curl_off_t m_sent = 0; // request body bytes sent, as the watch has counted them
};

} // namespace tb::net
