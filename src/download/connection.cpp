#include "download/connection.h"

#include "download/download_settings.h"
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

Connection::Connection(ConnectionHost& host, ConnectionConfig config, int number,
                       std::optional<int> segment)
    : m_host(host), m_config(std::move(config)), m_number(number), m_segment(segment),
      m_batch([&host](int index, std::int64_t offset, const char* data, std::size_t length) {
          return host.write(index, offset, data, length);
      }),
      m_retriesLeft(m_config.retryCount) {}

Connection::~Connection() {
    join();
}

bool Connection::start(std::function<void()> onThreadStart) {
    try {
        m_thread = std::thread([this, onThreadStart = std::move(onThreadStart)] {
            onThreadStart();
            run();
        });
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
    m_host.report(kEventConnectionStarted, m_number, 0);
    HttpTransfer transfer;
    m_transfer = &transfer;
    bool ok = true;
    if (!m_segment) {
        const auto offset = m_host.firstOffset();
        ok = offset.has_value();
        m_firstOffset = offset.value_or(0);
    }
    m_offsetReached = requestOffset();
    ok = ok && fetchCurrentSegment(false);
    while (ok) {
        m_segment.reset();
        const auto next = m_host.takeNextSegment(m_number);
        if (!next) {
            break;
        }
        m_segment = next;
        m_offsetReached = requestOffset();
        ok = fetchCurrentSegment(true);
    }
    m_transfer = nullptr;
    m_host.connectionEnded(m_number, m_segment, ok, m_offsetReached);
}

// Requests the current segment (or, for the first connection, the file) until it is done,
// following redirects and retrying as the engine settings allow.
bool Connection::fetchCurrentSegment(bool further) {
    std::string url = m_host.sourceUrl();
    int redirects = 0;
    m_firstStep = true;
    for (;;) {
        switch (request(url, further)) {
        case Step::SegmentDone:
            return true;
        case Step::Failed:
            return false;
        case Step::StartOver:
            m_firstOffset = 0;
            m_offsetReached = 0;
            break;
        case Step::Redirected:
            if (++redirects > kMaxRedirects) {
                fail("重定向次数过多");
                return false;
            }
            m_host.log("重定向到 [" + m_redirectTo + "]");
            url = m_redirectTo;
            if (!m_segment) {
                m_host.setSourceUrl(url); // later connections start where this one landed
            }
            break;
        case Step::Retry:
            m_host.log("等待" + std::to_string(m_config.retryWaitMs / 1000) + "秒后重试");
            if (m_host.waitForStop(m_config.retryWaitMs)) {
                fail("任务已停止");
                return false;
            }
            break;
        }
    }
}

Connection::Step Connection::request(const std::string& url, bool further) {
    TransferRequest request;
    request.url = url;
    request.rangeStart = requestOffset();
    request.referrer = m_config.referrer;
    request.userAgent = m_config.userAgent;
    request.connectTimeoutMs = m_config.connectTimeoutMs;
    request.receiveTimeoutMs = m_config.receiveTimeoutMs;
    request.receiveBuffer = m_config.receiveBuffer;
    request.rateFloor = m_config.rateFloor;
    m_further = further;
    m_segmentDone = false;
    m_startOver = false;
    m_bodyEnd.reset();
    m_redirectTo.clear();
    m_failText.clear();
    m_host.log("正在连接 [" + url + "]");
    const TransferResult result = m_transfer->run(
        request, [this](const ResponseHead& head) { return acceptHead(head); },
        [this](const char* data, std::size_t length) { return takeData(data, length); },
        [this] { return m_host.stopping(); });
    if (!m_batch.flush()) {
        m_writeFailed = true;
    }
    return settle(result);
}

std::int64_t Connection::requestOffset() const {
    return m_segment ? m_host.segment(*m_segment).offset() : m_firstOffset;
}

Connection::Step Connection::settle(const TransferResult& result) {
    if (m_startOver) {
        return Step::StartOver;
    }
    if (m_writeFailed) {
        fail("写入文件错误");
        return Step::Failed;
    }
    if (!m_redirectTo.empty()) {
        return Step::Redirected;
    }
    if (m_segmentDone) {
        return Step::SegmentDone;
    }
    if (result.end == TransferEnd::Complete && m_segment && m_unknownLength) {
        m_host.settleUnknownLength(*m_segment);
        return Step::SegmentDone;
    }
    if (result.end == TransferEnd::Complete && m_segment && m_host.segment(*m_segment).finished()) {
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
    return retryOrFail(result);
}

Connection::Step Connection::retryOrFail(const TransferResult& result) {
    const bool resumable = m_segment && !m_unknownLength && m_host.totalSize() &&
                           result.end != TransferEnd::Interrupted;
    if (resumable && m_retriesLeft > 0 && !m_host.stopping()) {
        --m_retriesLeft;
        return Step::Retry;
    }
    fail(result.end == TransferEnd::Complete ? "数据不完整" : result.errorText);
    return Step::Failed;
}

// Checks the answer before any of its body is taken.
bool Connection::acceptHead(const ResponseHead& head) {
    if (!m_segment && m_firstOffset > 0 && head.status() == 416) {
        // The file no longer reaches where the earlier try stopped: it is another file.
        m_host.log("服务器上的文件与上次不同，重新下载");
        m_startOver = true;
        return false;
    }
    const std::optional<std::int64_t> expectedTotal = m_segment ? m_host.totalSize() : std::nullopt;
    const HeadCheck check = checkHead(head, requestOffset(), expectedTotal);
    switch (check.verdict) {
    case HeadVerdict::Redirect:
        m_redirectTo = resolvedLocation(m_host.sourceUrl(), head.location());
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
            m_host.rangesRefused();
            m_failText = "服务器不支持分段下载";
            return false;
        }
        break;
    case HeadVerdict::Body:
        break;
    }
    m_host.log("已连接");
    m_bodyEnd = check.bodyEnd;
    if (!m_segment) {
        return acceptFirstAnswer(check, head);
    }
    m_host.receiving(*m_segment);
    return true;
}

bool Connection::acceptFirstAnswer(const HeadCheck& check, const ResponseHead& head) {
    AnswerFacts facts;
    facts.total = check.totalSize;
    facts.partial = check.verdict == HeadVerdict::Body;
    facts.offset = facts.partial ? m_firstOffset : 0;
    facts.etag = head.etag();
    facts.lastModified = head.lastModified();
    m_unknownLength = !check.totalSize;
    const TargetDecision decision = m_host.openTarget(m_number, facts);
    switch (decision.kind) {
    case TargetDecision::Kind::Receive:
        m_segment = decision.segment;
        return true;
    case TargetDecision::Kind::StartOver:
        m_startOver = true;
        return false;
    case TargetDecision::Kind::Refuse:
        break;
    }
    m_targetRefused = true;
    return false;
}

bool Connection::takeData(const char* data, std::size_t length) {
    for (;;) {
        const Claim claim = m_host.claim(m_number, *m_segment, static_cast<std::int64_t>(length),
                                         m_firstStep, m_further);
        m_firstStep = false;
        m_offsetReached = claim.offset + claim.accepted;
        const auto accepted = static_cast<std::size_t>(claim.accepted);
        if (accepted > 0 && !m_batch.add(*m_segment, claim.offset, data, accepted)) {
            m_writeFailed = true;
            return false;
        }
        if (!claim.finishesSegment) {
            return true;
        }
        // Its bytes go to the file before the connection moves on from the segment.
        if (!m_batch.flush()) {
            m_writeFailed = true;
            return false;
        }
        if (!goOnPastSegment()) {
            m_segmentDone = true;
            return false;
        }
        data += accepted;
        length -= accepted;
        if (length == 0) {
            return true;
        }
    }
}

// The answer runs on past the finished segment: carry on into the next one where nobody
// else fetches it, instead of asking for it again.
bool Connection::goOnPastSegment() {
    if (!m_bodyEnd || *m_bodyEnd <= m_offsetReached) {
        return false;
    }
    const auto next = m_host.continueAt(m_number, m_offsetReached);
    if (!next) {
        return false;
    }
    m_segment = next;
    m_firstStep = true;
    m_further = true;
    return true;
}

void Connection::fail(const std::string& utf8Text) {
    m_host.log(utf8Text, true);
}

} // namespace tb::download
