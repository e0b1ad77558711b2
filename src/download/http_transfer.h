#pragma once
// One HTTP GET over libcurl for a download connection: our own request lines, HTTP/1.1
// only, no compression, no redirects followed by curl (the connection handles them), the
// connect time-out, the receive time-out both as a stall limit (no data for that long) and
// as the limit of the header phase (the head whole that long after the request went out),
// and a rate floor. One easy handle, owned by one connection thread.

#include "download/http_response.h"
#include "transport/transfer_watch.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

typedef void CURL;
typedef void CURLM;

namespace tb::download {

struct TransferRequest {
    std::string url;                        // UTF-8
    std::optional<std::int64_t> rangeStart; // asks "Range: bytes=N-"
    std::string referrer;
    std::string userAgent;
    int connectTimeoutMs = 0;
    int receiveTimeoutMs = 0;
    int receiveBuffer = 0;
    transport::RateFloor rateFloor = transport::kNoRateFloor;
};

enum class TransferEnd {
    Complete,    // the server sent the whole response
    Interrupted, // a handler ended it (head rejected, segment done, write failed)
    Stalled,     // no data for the receive time-out, head too slow, or below the rate floor
    Cancelled,   // the cancel check asked to stop
    Failed       // connect, send or receive failed; errorText says how
};

struct TransferResult {
    TransferEnd end = TransferEnd::Failed;
    std::string errorText; // UTF-8
    std::string effectiveUrl;
};

class HttpTransfer {
public:
    // Sees the complete head; false ends the transfer before any body is read.
    using HeadHandler = std::function<bool(const ResponseHead& head)>;
    // Takes one block of body; false ends the transfer.
    using DataHandler = std::function<bool(const char* data, std::size_t length)>;
    using CancelCheck = std::function<bool()>;

    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    TransferResult run(const TransferRequest& request, const HeadHandler& onHead,
                       const DataHandler& onData, const CancelCheck& cancelled);

private:
    struct Progress;
    static std::size_t headerCallback(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t writeCallback(char* data, std::size_t size, std::size_t count, void* user);
    static int prerequestCallback(void* user, char*, char*, int, int);
    void configure(const TransferRequest& request, Progress& progress);
    TransferResult drive(const TransferRequest& request, Progress& progress,
                         const CancelCheck& cancelled);

    CURL* m_easy = nullptr;
    CURLM* m_multi = nullptr;
};

// "Referer" for an address when the settings give none: its scheme and host with "/".
std::string derivedReferrer(const std::string& url);

} // namespace tb::download
