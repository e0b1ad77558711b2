#include "net/http_request.h"

#include "data/local_text.h"
#include "data/regex_object.h"
#include "net/cookies.h"
#include "net/curl_exchange.h"
#include "net/request_parts.h"
#include "platform/events.h"

#include <algorithm>
#include <map>

// How the steps of a request map onto libcurl, and which failure gives which message:
//
//   message  step                   libcurl failure
//   700      transport check        curl_global_init fails, or curl has no HTTP
//   701      address                our own parse refuses it (scheme, host, port), or
//                                   curl_easy_perform gives CURLE_URL_MALFORMAT /
//                                   CURLE_UNSUPPORTED_PROTOCOL before any connection
//   702      session                curl_easy_init fails; the proxy option is refused
//   703      connection             the address option is refused
//   704      request                the verb or body options are refused
//   705      time-outs              the connect or stall options are refused
//   707      credentials            server or proxy user/password options are refused
//   708      cookie option          (cannot fail: curl keeps no cookies unless asked to)
//   709      redirect option        CURLOPT_FOLLOWLOCATION is refused
//   710      request headers        a header line without ":", or the list is refused
//   711      send                   no connection was ready for the request:
//                                   COULDNT_RESOLVE_HOST/PROXY, COULDNT_CONNECT, TLS
//                                   handshake or certificate errors, a connect time-out;
//                                   or CURLE_SEND_ERROR before any response
//   712      receive                the request went out but the final response's header
//                                   block did not arrive whole: GOT_NOTHING, RECV_ERROR,
//                                   ABORTED_BY_CALLBACK (stall, or the block not
//                                   whole within the time-out), WEIRD_SERVER_REPLY,
//                                   TOO_MANY_REDIRECTS, a failed redirect, a header
//                                   block over kMaxHeaderBlockBytes
//                                   Also a wait that was given up (requests abandoned
//                                   at program end, or the caller's stopWaiting), at any
//                                   stage: the call then writes no other output.
//   713      body read              any failure after that header block: PARTIAL_FILE,
//                                   RECV_ERROR, ABORTED_BY_CALLBACK; the body read so far
//                                   is kept and the status text replaces the message
//
// Time-outs: one value serves for resolving, connecting, sending and receiving. curl gets
// it as the connect limit (name resolution and TLS included), as a stall limit (no byte
// moved for that long) and as the limit of the header phase (from the request going out
// to the final header block being whole), not as a limit on the whole transfer: like a
// per-operation receive time-out, a large body on a slow but live link is never cut off.
//
// Cookies: curl's cookie engine stays off in every case, so it neither stores nor sends a
// cookie by itself; cookies travel only in the Cookie line built from `cookiesIn`. Whether
// `cookiesIn` was given therefore changes nothing at the transport, only the merge.

namespace tb::net {
namespace {

constexpr std::size_t kCharsetSearchBytes = 1024;

} // namespace

const std::string& HttpRequestMessage(int code) {
    static const std::map<int, std::string> kMessages{
        {700, Utf8ToLocal("700 当前系统不支持WinHttp服务!")},
        {701, Utf8ToLocal("701 解析URL地址失败!")},
        {702, Utf8ToLocal("702 创建WinHttp会话失败!")},
        {703, Utf8ToLocal("703 创建WinHttp连接失败!")},
        {704, Utf8ToLocal("704 创建WinHttp请求失败!")},
        {705, Utf8ToLocal("705 设置超时时间失败!")},
        {707, Utf8ToLocal("707 设置代理凭证失败!")},
        {708, Utf8ToLocal("708 禁止自动设置Cookies失败!")},
        {709, Utf8ToLocal("709 重定向设置失败!")},
        {710, Utf8ToLocal("710 设置协议头失败!")},
        {711, Utf8ToLocal("711 发送请求失败!")},
        {712, Utf8ToLocal("712 服务器未响应!")},
        {713, Utf8ToLocal("713 读取数据失败!")},
    };
    static const std::string kNone;
    const auto found = kMessages.find(code);
    return found == kMessages.end() ? kNone : found->second;
}

namespace {

bool setText(CURL* curl, CURLoption option, const std::string& text) {
    return curl_easy_setopt(curl, option, text.c_str()) == CURLE_OK;
}

bool setLong(CURL* curl, CURLoption option, long value) {
    return curl_easy_setopt(curl, option, value) == CURLE_OK;
}

// The charset an HTML page declares in a meta tag within its first bytes; empty if none.
std::string declaredCharset(std::string_view bodyText) {
    RegexObject expression;
    expression.Create("<meta.+?charset=[^\\w]?([-\\w]+)",
                      bodyText.substr(0, std::min(bodyText.size(), kCharsetSearchBytes)));
    return expression.SubmatchText(1, 1);
}

// One call of HttpRequest: the steps in order, each either going on or storing its
// message and ending the call.
class RequestRun {
public:
    RequestRun(std::string_view url, HttpRequestArgs& args) : m_url(url), m_args(args) {}

    std::string run() {
        if (!prepare()) {
            return {};
        }
        ExchangeResult result = m_exchange.perform(m_args.stopWaiting);
        if (!checkExchange(result)) {
            return {};
        }
        if (result.headerBlock.empty()) {
            return {}; // no header block to read: nothing is written
        }
        readResponseHeaders(result.headerBlock);
        mergeCookies();
        return bodyText(std::move(result.body));
    }

private:
    bool fail(int code) {
        m_args.status = HttpRequestMessage(code);
        return false;
    }

    bool prepare() {
        if (!transport::InitialiseCurl()) {
            return fail(700);
        }
        m_address = ParseAddress(m_url);
        if (!m_address) {
            return fail(701);
        }
        return openSession() && connect() && openRequest() && setTimeouts() && setCredentials() &&
               setRedirects() && setHeaders();
    }

    bool openSession() {
        if (!m_exchange.isOpen()) {
            return fail(702);
        }
        // An empty proxy option means direct, also when the environment names a proxy.
        const std::string option = CurlProxyOption(m_args.proxy.value_or(""), m_address->secure);
        return setText(m_exchange.handle(), CURLOPT_PROXY, option) || fail(702);
    }

    bool connect() {
        const std::string url = (m_address->secure ? "https://" : "http://") + m_address->host +
                                ":" + std::to_string(m_address->port) +
                                RequestTarget(m_address->objectName);
        return setText(m_exchange.handle(), CURLOPT_URL, url) || fail(703);
    }

    // GET and HEAD go out as such; a body goes out as curl's POST body, under the verb
    // the caller asked for.
    bool openRequest() {
        CURL* curl = m_exchange.handle();
        const std::string verb = MethodVerb(m_args.method.value_or(0));
        m_body = m_args.postData.value_or("");
        bool ok = true;
        if (verb == "HEAD") {
            ok = setLong(curl, CURLOPT_NOBODY, 1); // curl cannot send a body with HEAD
        } else if (m_body.empty() && verb != "POST") {
            ok = setLong(curl, CURLOPT_HTTPGET, 1) &&
                 (verb == "GET" || setText(curl, CURLOPT_CUSTOMREQUEST, verb));
        } else {
            ok = setLong(curl, CURLOPT_POST, 1) &&
                 curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                                  static_cast<curl_off_t>(m_body.size())) == CURLE_OK &&
                 curl_easy_setopt(curl, CURLOPT_POSTFIELDS, m_body.data()) == CURLE_OK &&
                 (verb == "POST" || setText(curl, CURLOPT_CUSTOMREQUEST, verb));
        }
        return ok || fail(704);
    }

    bool setTimeouts() {
        const long ms = RequestTimeoutMs(m_args.timeout.value_or(0));
        transport::TransferLimits limits;
        limits.stall = std::chrono::milliseconds(ms);
        limits.head = std::chrono::milliseconds(ms);
        return m_exchange.setLimits(ms, limits) || fail(705);
    }

    bool setCredentials() {
        const bool ok =
            setBasicCredentials(CURLOPT_HTTPAUTH, CURLOPT_USERNAME, CURLOPT_PASSWORD, m_args.user,
                                m_args.password) &&
            setBasicCredentials(CURLOPT_PROXYAUTH, CURLOPT_PROXYUSERNAME, CURLOPT_PROXYPASSWORD,
                                m_args.proxyUser, m_args.proxyPassword);
        return ok || fail(707);
    }

    // Basic credentials for the server or the proxy, set only when both texts are given.
    bool setBasicCredentials(CURLoption authOption, CURLoption userOption,
                             CURLoption passwordOption, const std::optional<std::string>& user,
                             const std::optional<std::string>& password) {
        if (user.value_or("").empty() || password.value_or("").empty()) {
            return true;
        }
        CURL* curl = m_exchange.handle();
        return setLong(curl, authOption, static_cast<long>(CURLAUTH_BASIC)) &&
               setText(curl, userOption, LocalToUtf8(*user)) &&
               setText(curl, passwordOption, LocalToUtf8(*password));
    }

    bool setRedirects() {
        return m_exchange.setFollowRedirects(!m_args.noRedirect.value_or(false)) || fail(709);
    }

    bool setHeaders() {
        const std::string block =
            RequestHeaderBlock(m_args.extraHeaders.value_or(""), m_args.method.value_or(0),
                               m_args.cookiesIn.value_or(""));
        const auto lines = ResolveHeaderLines(block);
        return (lines && m_exchange.setHeaderLines(*lines)) || fail(710);
    }

    bool checkExchange(const ExchangeResult& result) {
        switch (result.stop) {
        case ExchangeStop::complete:
            return true;
        case ExchangeStop::badAddress:
            return fail(701);
        case ExchangeStop::notConnected:
        case ExchangeStop::notSent:
            return fail(711);
        case ExchangeStop::noResponse:
        case ExchangeStop::abandoned:
            return fail(712);
        case ExchangeStop::bodyCut:
            fail(713); // the call goes on with the body read so far
            m_args.bodyCut = true;
            return true;
        }
        return fail(712);
    }

    void readResponseHeaders(std::string_view rawBlock) {
        const std::string block = NormaliseSetCookie(rawBlock);
        m_args.responseHeaders = block;
        m_args.status = StatusTextOf(block);
        AppendResponseCookies(block, m_args.cookiesOut);
        std::size_t start = 0;
        while (start < block.size()) {
            std::size_t end = block.find("\r\n", start);
            end = end == std::string::npos ? block.size() : end;
            const std::string_view line = std::string_view(block).substr(start, end - start);
            if (line.size() >= 10 && FindLocal(line.substr(0, 10), "Location: ", 0, true) == 0) {
                m_args.location = std::string(line.substr(10));
            }
            start = end + 2;
            platform::ProcessPendingEvents();
        }
    }

    void mergeCookies() {
        if (m_args.mergeCookies.value_or(true) && m_args.cookiesIn) {
            m_args.cookiesOut = MergeCookies(*m_args.cookiesIn, m_args.cookiesOut);
        }
    }

    std::string bodyText(std::string body) {
        std::string text = body.substr(0, body.find('\0'));
        const std::string charset = declaredCharset(text);
        if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
            if (std::optional<std::string> decoded = CharsetToLocal(body, charset)) {
                text = std::move(*decoded);
            }
        }
        m_args.bodyBytes = std::move(body);
        return text;
    }

    std::string_view m_url;
    HttpRequestArgs& m_args;
    std::optional<ParsedAddress> m_address;
    CurlExchange m_exchange;
    std::string m_body;
};

} // namespace

std::string HttpRequest(std::string_view url, HttpRequestArgs& args) {
    std::string text = RequestRun(url, args).run();
    platform::ProcessPendingEvents();
    return text;
}

std::string HttpRequest(std::string_view url) {
    HttpRequestArgs args;
    return HttpRequest(url, args);
}

std::string HttpRequest(std::string_view url, std::function<bool()> stopWaiting) {
    HttpRequestArgs args;
    args.stopWaiting = std::move(stopWaiting);
    return HttpRequest(url, args);
}

} // namespace tb::net
