#include "net/curl_exchange.h"

#include "platform/events.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>

namespace tb::net {
namespace {

constexpr long kMaxRedirects = 10;

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool hasLineNamed(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (startsWithIgnoringCase(line, name) && line.size() > name.size() &&
            (line[name.size()] == ':' || line[name.size()] == ' ')) {
            return true;
        }
    }
    return false;
}

int statusCodeOf(std::string_view block) {
    const std::size_t space = block.find(' ');
    if (space == std::string_view::npos || block.size() < space + 4) {
        return 0;
    }
    return std::atoi(std::string(block.substr(space + 1, 3)).c_str());
}

bool blockHasLocation(std::string_view block) {
    std::size_t start = 0;
    while (start < block.size()) {
        if (startsWithIgnoringCase(block.substr(start), "Location:")) {
            return true;
        }
        const std::size_t end = block.find('\n', start);
        start = end == std::string_view::npos ? block.size() : end + 1;
    }
    return false;
}

// The line ending in CR LF, also when the server ended it with LF alone: the engines split
// the block at CR LF, so a bare LF would join the status line to every header after it.
std::string crlfLine(std::string_view line) {
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    std::string ended(line);
    ended += "\r\n";
    return ended;
}

// A multi handle holding one easy handle for the time of one exchange.
class MultiTransfer {
public:
    explicit MultiTransfer(CURL* easy) : m_easy(easy), m_multi(curl_multi_init()) {
        m_added = m_multi != nullptr && curl_multi_add_handle(m_multi, m_easy) == CURLM_OK;
    }
    ~MultiTransfer() {
        if (m_added) {
            curl_multi_remove_handle(m_multi, m_easy);
        }
        if (m_multi != nullptr) {
            curl_multi_cleanup(m_multi);
        }
    }
    MultiTransfer(const MultiTransfer&) = delete;
    MultiTransfer& operator=(const MultiTransfer&) = delete;

    CURLM* handle() const { return m_added ? m_multi : nullptr; }

private:
    CURL* m_easy;
    CURLM* m_multi;
    bool m_added = false;
};

bool waitUnwanted(const std::function<bool()>& stopWaiting) {
    return platform::RequestsAbandoned() || (stopWaiting && stopWaiting());
}

} // namespace

CurlExchange::CurlExchange() {
    if (!transport::InitialiseCurl()) {
        return;
    }
    m_curl = curl_easy_init();
    if (m_curl == nullptr) {
        return;
    }
    transport::ApplyCommonOptions(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(m_curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlExchange::onHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlExchange::onBody);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_PREREQFUNCTION, &CurlExchange::onPrerequest);
    curl_easy_setopt(m_curl, CURLOPT_PREREQDATA, this);
}

CurlExchange::~CurlExchange() {
    if (m_curl != nullptr) {
        curl_easy_cleanup(m_curl);
    }
    curl_slist_free_all(m_headers);
}

bool CurlExchange::setHeaderLines(const std::vector<std::string>& lines) {
    std::vector<std::string> all = lines;
    for (const std::string_view own : {"Accept", "Expect", "Content-Type"}) {
        if (!hasLineNamed(lines, own)) {
            all.push_back(std::string(own) + ":");
        }
    }
    for (const std::string& line : all) {
        curl_slist* extended = curl_slist_append(m_headers, line.c_str());
        if (extended == nullptr) {
            return false;
        }
        m_headers = extended;
    }
    return curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_headers) == CURLE_OK;
}

bool CurlExchange::setFollowRedirects(bool follow) {
    m_follow = follow;
    return curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L) == CURLE_OK;
}

// curl's own low-speed limit averages over several seconds, so after a burst it notices a
// stall only seconds past the limit; the progress callback checks the limits itself.
bool CurlExchange::setLimits(long connectMs, const transport::TransferLimits& limits) {
    m_watch.setLimits(limits);
    return curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs) == CURLE_OK &&
           curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlExchange::onProgress) ==
               CURLE_OK &&
           curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this) == CURLE_OK &&
           curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
}

int CurlExchange::onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* exchange = static_cast<CurlExchange*>(self);
    const auto now = transport::TransferWatch::Clock::now();
    if (sent != exchange->m_sent) {
        exchange->m_watch.moved(sent - exchange->m_sent, now);
        exchange->m_sent = sent;
    }
    return exchange->m_watch.check(now) == transport::WatchVerdict::Fine ? 0 : 1;
}

ExchangeResult CurlExchange::perform(const std::function<bool()>& stopWaiting) {
    m_watch.start(transport::TransferWatch::Clock::now());
    CURLcode code = CURLE_ABORTED_BY_CALLBACK;
    bool finished = false;
    if (!waitUnwanted(stopWaiting)) {
        const MultiTransfer transfer(m_curl);
        if (transfer.handle() == nullptr) {
            code = CURLE_OUT_OF_MEMORY;
            finished = true;
        } else {
            finished = drive(transfer.handle(), stopWaiting, code);
        }
    }
    m_result.code = code;
    m_result.stop = finished ? classify(code) : ExchangeStop::abandoned;
    return std::move(m_result);
}

// curl does the work in curl_multi_perform and the waiting in curl_multi_poll; every
// kEventSliceMs, and after each poll that waited that long, the window gets its turn (a
// turn after every read would cost more than a fast transfer itself). The connect limit and
// the watch keep working as before: curl checks them on every call.
bool CurlExchange::drive(CURLM* multi, const std::function<bool()>& stopWaiting, CURLcode& code) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kSlice = std::chrono::milliseconds(kEventSliceMs);
    Clock::time_point lastTurn = Clock::now();
    int running = 1;
    for (;;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY; // only resource failures end a multi call
            return true;
        }
        if (running == 0) {
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kEventSliceMs, nullptr);
        if (Clock::now() - lastTurn >= kSlice) {
            platform::ProcessPendingEvents();
            lastTurn = Clock::now();
        }
        if (waitUnwanted(stopWaiting)) {
            return false;
        }
    }
    int queued = 0;
    code = CURLE_GOT_NOTHING;
    while (const CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_curl) {
            code = message->data.result;
        }
    }
    return true;
}

ExchangeStop CurlExchange::classify(CURLcode code) const {
    if (code == CURLE_OK) {
        return m_blockDone ? ExchangeStop::complete : ExchangeStop::noResponse;
    }
    if (m_finalBlock) {
        return ExchangeStop::bodyCut;
    }
    if (!m_connected) {
        const bool addressRefused =
            code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL;
        return addressRefused ? ExchangeStop::badAddress : ExchangeStop::notConnected;
    }
    if (!m_statusSeen && code == CURLE_SEND_ERROR) {
        return ExchangeStop::notSent;
    }
    return ExchangeStop::noResponse;
}

bool CurlExchange::acceptHeaderLine(std::string_view received) {
    const std::string line = crlfLine(received);
    if (line.starts_with("HTTP/")) {
        m_statusSeen = true;
        m_blockDone = false;
        m_finalBlock = false;
        m_result.headerBlock.assign(line);
        return true;
    }
    if (m_blockDone) {
        return true; // trailer lines after a chunked body are not part of the block
    }
    m_result.headerBlock += line;
    if (m_result.headerBlock.size() > transport::kMaxHeaderBlockBytes) {
        m_result.headerBlockTooLarge = true;
        return false;
    }
    if (line == "\r\n") {
        const int status = statusCodeOf(m_result.headerBlock);
        const bool followed = m_follow && status >= 300 && status < 400 && status != 304 &&
                              blockHasLocation(m_result.headerBlock);
        m_blockDone = true;
        m_finalBlock = status >= 200 && !followed;
        if (m_finalBlock) {
            m_watch.headArrived();
        }
    }
    return true;
}

std::size_t CurlExchange::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    const std::size_t bytes = size * count;
    auto* exchange = static_cast<CurlExchange*>(self);
    exchange->noteReceived(bytes);
    return exchange->acceptHeaderLine(std::string_view(data, bytes)) ? bytes : 0;
}

std::size_t CurlExchange::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* exchange = static_cast<CurlExchange*>(self);
    const std::size_t bytes = size * count;
    exchange->noteReceived(bytes);
    if (exchange->m_sink) {
        return exchange->m_sink(std::string_view(data, bytes)) ? bytes : 0;
    }
    std::string& body = exchange->m_result.body;
    if (body.empty()) {
        // A long body announced by its length is stored without the copies of growing.
        constexpr curl_off_t kMostReserved = curl_off_t{256} << 20;
        curl_off_t length = -1;
        if (curl_easy_getinfo(exchange->m_curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                CURLE_OK &&
            length > 0) {
            body.reserve(static_cast<std::size_t>(std::min(length, kMostReserved)));
        }
    }
    body.append(data, bytes);
    return bytes;
}

void CurlExchange::noteReceived(std::size_t bytes) {
    m_watch.moved(static_cast<std::int64_t>(bytes), transport::TransferWatch::Clock::now());
}

// Called before every request curl sends, redirects included.
int CurlExchange::onPrerequest(void* self, char*, char*, int, int) {
    auto* exchange = static_cast<CurlExchange*>(self);
    exchange->m_connected = true;
    exchange->m_watch.requestSent(transport::TransferWatch::Clock::now());
    return CURL_PREREQFUNC_OK;
}

} // namespace tb::net
