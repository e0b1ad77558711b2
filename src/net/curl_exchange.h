#pragma once
// One HTTP exchange over libcurl, shared by the text and byte engines. It collects the raw
// header block of the final response and the body, and tells how far the exchange got,
// which is what both engines report failures by. It runs on the calling thread; while it
// waits, the window processes its pending events every few milliseconds.

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tb::net {

// Where an exchange stopped.
enum class ExchangeStop {
    complete,     // the final response was read whole
    badAddress,   // curl refused the address before connecting
    notConnected, // name resolution, proxy, TCP connection or TLS handshake failed
    notSent,      // connected, but the request could not be sent
    noResponse,   // sent, but the final response's header block did not arrive whole
    bodyCut,      // the header block arrived, the body ended early (read error, stall)
    abandoned,    // the wait was given up: the program is ending, or a newer run took over
};

struct ExchangeResult {
    ExchangeStop stop = ExchangeStop::noResponse;
    CURLcode code = CURLE_OK;
    std::string headerBlock; // final response: status line, header lines, CR LF each
    bool headerBlockTooLarge = false;
    std::string body;
};

// A response header block larger than this ends the exchange (as "no response"), so a
// hostile server cannot make the client hold an unbounded header in memory.
constexpr std::size_t kMaxHeaderBlockBytes = 64 * 1024;

// The longest the exchange waits on the network before the window's pending events are
// processed again.
constexpr int kEventSliceMs = 20;

// True when libcurl is initialised and speaks HTTP. Safe from any thread.
bool CurlAvailable();

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
    // Connect and stall limits in milliseconds: a connection (TLS included) must be made
    // within `connectMs`, and a transfer that moves no byte for `stallMs` ends (checked
    // at curl's progress calls, which come at least about once a second).
    bool setTimeouts(long connectMs, long stallMs);

    // Runs the exchange, processing pending events between short waits on the network.
    // It ends as `abandoned`, whatever has arrived, as soon as requests are abandoned or
    // `stopWaiting` (asked after each event pass) answers true.
    ExchangeResult perform(const std::function<bool()>& stopWaiting = {});

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onPrerequest(void* self, char*, char*, int, int);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent);
    void noteReceived(std::size_t bytes) { m_received += static_cast<curl_off_t>(bytes); }
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

    // The stall limit: the time of the last byte moved, and how many had moved then.
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds m_stallLimit{0};
    Clock::time_point m_lastMove;
    curl_off_t m_received = 0;
    curl_off_t m_movedAtLastMove = 0;
};

} // namespace tb::net
