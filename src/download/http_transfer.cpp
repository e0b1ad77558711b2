#include "download/http_transfer.h"

#include "transport/curl_setup.h"

#include <chrono>
#include <curl/curl.h>
#include <memory>

namespace tb::download {
namespace {

using Clock = transport::TransferWatch::Clock;

constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";
// Longest single wait, so that cancellation and the stall limit are seen in time.
constexpr int kPollSliceMs = 50;

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// The request lines after "GET" and "Host", in the order servers have always seen them.
HeaderList requestLines(const TransferRequest& request) {
    curl_slist* list = nullptr;
    auto add = [&list](const std::string& line) { list = curl_slist_append(list, line.c_str()); };
    add("Accept: */*");
    add("Referer: " + (request.referrer.empty() ? derivedReferrer(request.url) : request.referrer));
    add("User-Agent: " +
        (request.userAgent.empty() ? std::string(kDefaultAgent) : request.userAgent));
    if (request.rangeStart) {
        add("Range: bytes=" + std::to_string(*request.rangeStart) + "-");
    }
    add("Pragma: no-cache");
    add("Cache-Control: no-cache");
    add("Connection: close");
    return HeaderList(list);
}

} // namespace

struct HttpTransfer::Progress {
    const HeadHandler* onHead = nullptr;
    const DataHandler* onData = nullptr;
    ResponseHead head;
    std::size_t headBytes = 0;
    bool interrupted = false;
    bool headTooLong = false;
    transport::TransferWatch watch;
};

namespace {

// Runs one of the connection's handlers; the time it takes is the connection's own, not
// the peer's, so the watch does not count it.
template <typename Handler>
bool timedHandler(transport::TransferWatch& watch, const Handler& handler) {
    const Clock::time_point before = Clock::now();
    const bool goOn = handler();
    const Clock::time_point after = Clock::now();
    watch.paused(after - before);
    watch.moved(0, after);
    return goOn;
}

TransferResult stalled() {
    TransferResult result;
    result.end = TransferEnd::Stalled;
    result.errorText = "接收数据超时";
    return result;
}

} // namespace

HttpTransfer::HttpTransfer()
    : m_easy(transport::InitialiseCurl() ? curl_easy_init() : nullptr),
      m_multi(m_easy != nullptr ? curl_multi_init() : nullptr) {}

HttpTransfer::~HttpTransfer() {
    curl_multi_cleanup(m_multi);
    curl_easy_cleanup(m_easy);
}

std::size_t HttpTransfer::headerCallback(char* data, std::size_t size, std::size_t count,
                                         void* user) {
    auto& progress = *static_cast<Progress*>(user);
    const std::size_t length = size * count;
    progress.watch.moved(static_cast<std::int64_t>(length), Clock::now());
    progress.headBytes += length;
    if (progress.headBytes > transport::kMaxHeaderBlockBytes) {
        progress.headTooLong = true;
        return 0;
    }
    const std::string_view line(data, length);
    progress.head.addLine(line);
    const bool endOfHead = line == "\r\n" || line == "\n";
    if (endOfHead && progress.head.status() >= 200) {
        progress.watch.headArrived();
        if (!timedHandler(progress.watch, [&] { return (*progress.onHead)(progress.head); })) {
            progress.interrupted = true;
            return 0;
        }
    }
    if (endOfHead && progress.head.status() < 200) {
        progress.headBytes = 0; // an interim answer; the final head follows
    }
    return length;
}

std::size_t HttpTransfer::writeCallback(char* data, std::size_t size, std::size_t count,
                                        void* user) {
    auto& progress = *static_cast<Progress*>(user);
    progress.watch.moved(static_cast<std::int64_t>(size * count), Clock::now());
    // The handler may wait (for a neighbour's answer); the limits count from its return.
    if (!timedHandler(progress.watch, [&] { return (*progress.onData)(data, size * count); })) {
        progress.interrupted = true;
        return 0;
    }
    return size * count;
}

int HttpTransfer::prerequestCallback(void* user, char*, char*, int, int) {
    static_cast<Progress*>(user)->watch.requestSent(Clock::now());
    return CURL_PREREQFUNC_OK;
}

void HttpTransfer::configure(const TransferRequest& request, Progress& progress) {
    curl_easy_reset(m_easy);
    transport::ApplyCommonOptions(m_easy);
    curl_easy_setopt(m_easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(request.connectTimeoutMs));
    if (request.receiveBuffer > 0) {
        curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, static_cast<long>(request.receiveBuffer));
    }
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::headerCallback);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, &progress);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::writeCallback);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, &progress);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &HttpTransfer::prerequestCallback);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, &progress);
    const auto receiveLimit = std::chrono::milliseconds(request.receiveTimeoutMs);
    progress.watch.setLimits({receiveLimit, receiveLimit, request.rateFloor});
    progress.watch.start(Clock::now());
}

TransferResult HttpTransfer::run(const TransferRequest& request, const HeadHandler& onHead,
                                 const DataHandler& onData, const CancelCheck& cancelled) {
    TransferResult result;
    if (m_easy == nullptr || m_multi == nullptr) {
        result.errorText = "cannot set up the HTTP client";
        return result;
    }
    Progress progress;
    progress.onHead = &onHead;
    progress.onData = &onData;
    configure(request, progress);
    const HeaderList lines = requestLines(request);
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, lines.get());
    curl_multi_add_handle(m_multi, m_easy);
    result = drive(request, progress, cancelled);
    curl_multi_remove_handle(m_multi, m_easy);
    return result;
}

TransferResult HttpTransfer::drive(const TransferRequest& request, Progress& progress,
                                   const CancelCheck& cancelled) {
    TransferResult result;
    for (;;) {
        int running = 0;
        curl_multi_perform(m_multi, &running);
        int queued = 0;
        if (CURLMsg* message = curl_multi_info_read(m_multi, &queued);
            message != nullptr && message->msg == CURLMSG_DONE) {
            const CURLcode code = message->data.result;
            char* url = nullptr;
            curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &url);
            result.effectiveUrl = url != nullptr ? url : request.url;
            if (progress.headTooLong) {
                result.errorText = "HTTP返回头部信息过长";
            } else {
                result.errorText = curl_easy_strerror(code);
            }
            result.end = code == CURLE_OK       ? TransferEnd::Complete
                         : progress.interrupted ? TransferEnd::Interrupted
                                                : TransferEnd::Failed;
            return result;
        }
        if (cancelled()) {
            result.end = TransferEnd::Cancelled;
            return result;
        }
        if (progress.watch.check(Clock::now()) != transport::WatchVerdict::Fine) {
            return stalled();
        }
        curl_multi_poll(m_multi, nullptr, 0, kPollSliceMs, nullptr);
    }
}

std::string derivedReferrer(const std::string& url) {
    const auto scheme = url.find("://");
    if (scheme == std::string::npos) {
        return url;
    }
    const auto pathStart = url.find('/', scheme + 3);
    return url.substr(0, pathStart) + "/";
}

} // namespace tb::download
