#include "net/request_parts.h"

#include "data/local_text.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tb::net {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::optional<int> parsePort(std::string_view text, bool secure) {
    if (text.empty()) {
        return secure ? 443 : 80;
    }
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

bool hasUnsafeHostByte(std::string_view host) {
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '\\') {
            return true;
        }
    }
    return false;
}

// Host and port of "host[:port]" or "[v6]:port"; user information before "@" is ignored.
bool splitAuthority(std::string_view authority, ParsedAddress& address) {
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::size_t hostEnd = authority.find(':');
    if (!authority.empty() && authority.front() == '[') {
        hostEnd = authority.find(']');
        if (hostEnd == std::string_view::npos) {
            return false;
        }
        ++hostEnd;
    }
    address.host = std::string(authority.substr(0, hostEnd));
    std::string_view portText;
    if (hostEnd < authority.size()) {
        if (authority[hostEnd] != ':') {
            return false;
        }
        portText = authority.substr(hostEnd + 1);
    }
    const std::optional<int> port = parsePort(portText, address.secure);
    if (address.host.empty() || hasUnsafeHostByte(address.host) || !port) {
        return false;
    }
    address.port = *port;
    return true;
}

struct DefaultHeader {
    std::string_view testText;
    bool ignoreCase;
    std::string_view line;
};

constexpr std::array<DefaultHeader, 4> kAlwaysHeaders{{
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn"},
}};

void appendUnlessPresent(std::string& block, std::string_view testText, bool ignoreCase,
                         std::string_view line) {
    if (!ContainsLocal(block, testText, ignoreCase)) {
        block += line;
        block += kCrLf;
    }
}

} // namespace

std::optional<ParsedAddress> ParseAddress(std::string_view url) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string scheme = AsciiLower(url.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https") {
        return std::nullopt;
    }
    ParsedAddress address;
    address.secure = scheme == "https";
    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    if (!splitAuthority(rest.substr(0, authorityEnd), address)) {
        return std::nullopt;
    }
    std::string_view tail = rest.substr(authorityEnd);
    tail = tail.substr(0, tail.find('#'));
    const std::size_t queryStart = std::min(tail.find('?'), tail.size());
    address.objectName = queryStart == 0 ? "/" : std::string(tail);
    return address;
}

std::string RequestTarget(std::string_view objectName) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = LocalToUtf8(objectName);
    std::string target;
    target.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            target += '%';
            target += kHex[byte >> 4];
            target += kHex[byte & 0x0F];
        } else {
            target += c;
        }
    }
    return target;
}

std::string MethodVerb(int method) {
    static constexpr std::array<const char*, 8> kVerbs{"GET",     "POST",   "HEAD",  "PUT",
                                                       "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return (method >= 0 && method < static_cast<int>(kVerbs.size())) ? kVerbs[method] : "GET";
}

std::string RequestHeaderBlock(std::string_view extraHeaders, int method,
                               std::string_view cookiesIn) {
    std::string block(extraHeaders);
    if (!block.empty()) {
        block += kCrLf;
    }
    for (const DefaultHeader& header : kAlwaysHeaders) {
        appendUnlessPresent(block, header.testText, header.ignoreCase, header.line);
    }
    if (method == 1) {
        appendUnlessPresent(block, "Content-Type:", false,
                            "Content-Type: application/x-www-form-urlencoded");
    }
    appendUnlessPresent(block, "Cache-Control: ", true, "Cache-Control: no-cache");
    if (!cookiesIn.empty()) {
        appendUnlessPresent(block, "Cookie: ", true, "Cookie: " + std::string(cookiesIn));
    }
    return block;
}

std::optional<std::vector<std::string>> ResolveHeaderLines(std::string_view block) {
    std::vector<std::string> lines;
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find(kCrLf, start);
        end = end == std::string_view::npos ? block.size() : end;
        const std::string_view line = block.substr(start, end - start);
        start = end + kCrLf.size();
        if (line.empty()) {
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string name = AsciiLower(TrimBlanks(line.substr(0, colon)));
        std::size_t i = 0;
        while (i < names.size() && names[i] != name) {
            ++i;
        }
        if (i == names.size()) {
            names.push_back(name);
            lines.emplace_back(line);
        } else {
            lines[i] = std::string(line);
        }
    }
    return lines;
}

std::string TransportProxyText(std::string_view proxy, bool secure) {
    return secure ? std::string(proxy) : "http=" + std::string(proxy);
}

std::string ProxyForAddress(std::string_view transportProxy, bool secure) {
    const std::string_view wanted = secure ? "https" : "http";
    std::string plain;
    std::size_t start = 0;
    while (start < transportProxy.size()) {
        std::size_t end = transportProxy.find_first_of("; ", start);
        end = end == std::string_view::npos ? transportProxy.size() : end;
        const std::string_view entry = transportProxy.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            plain = plain.empty() ? std::string(entry) : plain;
        } else if (AsciiLower(entry.substr(0, equals)) == wanted) {
            return std::string(entry.substr(equals + 1));
        }
    }
    return plain;
}

long RequestTimeoutMs(int seconds) {
    constexpr int kLongestSeconds = 24 * 3600;
    constexpr long kDefaultMs = 30000;
    return seconds > 0 ? static_cast<long>(std::min(seconds, kLongestSeconds)) * 1000 : kDefaultMs;
}

std::string CurlProxyOption(std::string_view proxy, bool secure) {
    if (proxy.empty()) {
        return {};
    }
    const std::string named = ProxyForAddress(TransportProxyText(proxy, secure), secure);
    if (named.empty() || named.find("://") != std::string::npos) {
        return named;
    }
    // A proxy named without a port listens on 80, as the system transports take it; curl
    // alone would try 1080. The host part of an IPv6 literal ends at its "]".
    const std::size_t literalEnd = named.rfind(']');
    const bool hasPort =
        named.find(':', literalEnd == std::string::npos ? 0 : literalEnd) != std::string::npos;
    return "http://" + named + (hasPort ? "" : ":80");
}

std::string StatusTextOf(std::string_view headerBlock) {
    constexpr std::size_t kStatusStart = 9;
    if (headerBlock.size() <= kStatusStart) {
        return {};
    }
    const std::size_t end = headerBlock.find(kCrLf, kStatusStart);
    return std::string(headerBlock.substr(
        kStatusStart, end == std::string_view::npos ? std::string_view::npos : end - kStatusStart));
}

} // namespace tb::net
