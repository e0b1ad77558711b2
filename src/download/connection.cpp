#include "download/connection.h"

#include "download/download_task.h"
#include "platform/thread_name.h"

#include <curl/curl.h>
#include <system_error>

namespace tb::download {
namespace {

// Redirects one request may follow before the address counts as a loop.
constexpr int kMaxRedirects = 10;

// Resolves a Location value (absolute or relative) against the address that sent it.
std::string resolvedLocation(const std::string& base, const std::string& location) {
    CURLU* url = curl_url();
    std::string resolved;
    char* text = nullptr;
    if (url != nullptr && curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_URLENCODE) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
        resolved = text;
    }
    curl_free(text);
    curl_url_cleanup(url);
    return resolved;
}

} // namespace

Connection::Connection(DownloadTask& task, int number, std::optional<int> segment)
    : m_task(task), m_number(number), m_segment(segment),
      m_retriesLeft(task.engineSettings().retryCount) {}

Connection::~Connection() {
    join();
}

bool Connection::start() {
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Connection::join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void Connection::run() {
    platform::setCurrentThreadName("tb-conn-" + std::to_string(m_number));
    m_task.adoptCurrentThread();
    m_task.queueEvent(kEventConnectionStarted, m_number, 0);
    HttpTransfer transfer;
    m_transfer = &transfer;
    if (m_segment) {
        m_offsetReached = m_task.segment(*m_segment).offset();
    }
    bool ok = fetchCurrentSegment(false);
    while (ok) {
        m_segment.reset();
        const auto next = m_task.takeNextSegment(m_number);
        if (!next) {
            break;
        }
        m_segment = next;
        m_offsetReached = m_task.segment(*next).offset();
        ok = fetchCurrentSegment(true);
    }
    m_transfer = nullptr;
    m_task.connectionEnded(m_number, m_segment, ok, m_offsetReached);
}

// Requests the current segment (or, for the first connection, the file) until it is done,
// following redirects and retrying as the engine settings allow.
bool Connection::fetchCurrentSegment(bool further) {
    std::string url = m_task.sourceUrl();
    int redirects = 0;
    m_firstStep = true;
    for (;;) {
        switch (request(url, further)) {
        case Step::SegmentDone:
            return true;
        case Step::Failed:
            return false;
        case Step::Redirected:
            if (++redirects > kMaxRedirects) {
                fail("重定向次数过多");
                return false;
            }
            m_task.log("重定向到 [" + m_redirectTo + "]");
            url = m_redirectTo;
            if (!m_segment) {
                m_task.setSourceUrl(url); // later connections start where this one landed
            }
            break;
        case Step::Retry:
            m_task.log("等待" + std::to_string(m_task.engineSettings().retryWaitMs / 1000) +
                       "秒后重试");
            if (m_task.waitForStop(m_task.engineSettings().retryWaitMs)) {
                fail("任务已停止");
                return false;
            }
            break;
        }
    }
}

Connection::Step Connection::request(const std::string& url, bool further) {
    const DownloadSettings& settings = m_task.settings();
    TransferRequest request;
    request.url = url;
    request.rangeStart = m_segment ? m_task.segment(*m_segment).offset() : 0;
    request.referrer = settings.referrer;
    request.userAgent = settings.userAgent;
    request.connectTimeoutMs = settings.connectTimeoutMs;
    request.receiveTimeoutMs = settings.receiveTimeoutMs;
    request.receiveBuffer = m_task.engineSettings().receiveBuffer;
    m_further = further;
    m_segmentDone = false;
    m_redirectTo.clear();
    m_failText.clear();
    m_task.log("正在连接 [" + url + "]");
    const TransferResult result = m_transfer->run(
        request, [this](const ResponseHead& head) { return acceptHead(head); },
        [this](const char* data, std::size_t length) { return takeData(data, length); },
        [this] { return m_task.stopping(); });
    return settle(result);
}

Connection::Step Connection::settle(const TransferResult& result) {
    if (!m_redirectTo.empty()) {
        return Step::Redirected;
    }
    if (m_segmentDone) {
        return Step::SegmentDone;
    }
    if (result.end == TransferEnd::Complete && m_segment && m_unknownLength) {
        m_task.settleUnknownLength(*m_segment);
        return Step::SegmentDone;
    }
    if (result.end == TransferEnd::Complete && m_segment && m_task.segment(*m_segment).finished()) {
        return Step::SegmentDone;
    }
    if (m_targetRefused) {
        return Step::Failed;
    }
    if (!m_failText.empty()) {
        fail(m_failText);
        return Step::Failed;
    }
    if (result.end == TransferEnd::Cancelled) {
        fail("任务已停止");
        return Step::Failed;
    }
    const bool resumable = m_segment && !m_unknownLength && m_task.totalSize() &&
                           result.end != TransferEnd::Interrupted;
    if (resumable && m_retriesLeft > 0 && !m_task.stopping()) {
        --m_retriesLeft;
        return Step::Retry;
    }
    fail(result.end == TransferEnd::Complete ? "数据不完整" : result.errorText);
    return Step::Failed;
}

// Checks the answer before any of its body is taken.
bool Connection::acceptHead(const ResponseHead& head) {
    const std::int64_t offset = m_segment ? m_task.segment(*m_segment).offset() : 0;
    const std::optional<std::int64_t> expectedTotal = m_segment ? m_task.totalSize() : std::nullopt;
    const HeadCheck check = checkHead(head, offset, expectedTotal);
    switch (check.verdict) {
    case HeadVerdict::Redirect:
        m_redirectTo = resolvedLocation(m_task.sourceUrl(), head.location());
        if (m_redirectTo.empty()) {
            m_failText = "获得重定向信息错误";
        }
        return false;
    case HeadVerdict::Fail:
        m_failText = check.failText;
        return false;
    case HeadVerdict::WholeFile:
        if (m_segment) {
            // The server ignored our range: its body starts at 0, not at our offset.
            m_failText = "服务器不支持分段下载";
            return false;
        }
        break;
    case HeadVerdict::Body:
        break;
    }
    m_task.log("已连接");
    if (!m_segment) {
        m_unknownLength = !check.totalSize;
        m_segment =
            m_task.openTarget(m_number, check.totalSize, check.verdict == HeadVerdict::Body);
        m_targetRefused = !m_segment;
        return m_segment.has_value();
    }
    return true;
}

bool Connection::takeData(const char* data, std::size_t length) {
    const StoreResult stored =
        m_task.store(m_number, *m_segment, m_firstStep, m_further, data, length);
    m_firstStep = false;
    m_offsetReached = stored.offsetAfter;
    if (stored.writeFailed) {
        m_failText = "写入文件错误";
        return false;
    }
    if (stored.segmentFinished) {
        m_segmentDone = true;
        return false;
    }
    return true;
}

void Connection::fail(const std::string& utf8Text) {
    m_task.log(utf8Text, true);
}

} // namespace tb::download
