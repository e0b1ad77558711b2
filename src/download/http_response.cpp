#include "download/http_response.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace tb::download {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A whole non-negative decimal number, nothing else.
std::optional<std::int64_t> wholeNumber(std::string_view text) {
    text = trimmed(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

HeadCheck failing(std::string text) {
    HeadCheck check;
    check.failText = std::move(text);
    return check;
}

std::string statusText(int status) {
    char text[96];
    std::snprintf(text, sizeof text, "暂时不支持的返回, 返回号[%d]", status);
    return text;
}

HeadCheck checkPartial(const ResponseHead& head, std::int64_t offset,
                       std::optional<std::int64_t> expectedTotal) {
    const auto& range = head.contentRange();
    if (!range || head.badContentRange() || !range->total) {
        return failing("返回的数据范围无效");
    }
    if (range->first != offset) {
        return failing("返回的数据范围与请求不符");
    }
    if (expectedTotal && *range->total != *expectedTotal) {
        return failing("返回的文件长度与任务不符");
    }
    const auto length = head.contentLength();
    if (range->last < range->first || range->last >= *range->total ||
        (length && *length != range->last - range->first + 1)) {
        return failing("返回的数据范围无效");
    }
    HeadCheck check;
    check.verdict = HeadVerdict::Body;
    check.totalSize = range->total;
    check.bodyEnd = range->last + 1;
    return check;
}

} // namespace

std::optional<ContentRange> parseContentRange(std::string_view value) {
    value = trimmed(value);
    constexpr std::string_view kUnit = "bytes ";
    if (value.substr(0, kUnit.size()) != kUnit) {
        return std::nullopt;
    }
    value.remove_prefix(kUnit.size());
    const auto dash = value.find('-');
    const auto slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) {
        return std::nullopt;
    }
    const auto first = wholeNumber(value.substr(0, dash));
    const auto last = wholeNumber(value.substr(dash + 1, slash - dash - 1));
    const std::string_view totalText = trimmed(value.substr(slash + 1));
    const auto total = totalText == "*" ? std::optional<std::int64_t>() : wholeNumber(totalText);
    if (!first || !last || (totalText != "*" && !total)) {
        return std::nullopt;
    }
    return ContentRange{*first, *last, total};
}

void ResponseHead::addLine(std::string_view line) {
    line = trimmed(line);
    if (line.substr(0, 5) == "HTTP/") {
        *this = ResponseHead();
        const auto space = line.find(' ');
        const auto code = space == std::string_view::npos ? std::optional<std::int64_t>()
                                                          : wholeNumber(line.substr(space, 4));
        m_status = code ? static_cast<int>(*code) : 0;
        return;
    }
    const auto colon = line.find(':');
    if (colon != std::string_view::npos) {
        addField(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    }
}

void ResponseHead::addField(std::string_view name, std::string_view value) {
    if (sameName(name, "Content-Length")) {
        const auto length = wholeNumber(value);
        if (!length || (m_contentLength && *m_contentLength != *length)) {
            m_conflictingLengths = true;
        }
        m_contentLength = length;
    } else if (sameName(name, "Content-Range")) {
        m_range = parseContentRange(value);
        m_badRange = !m_range;
    } else if (sameName(name, "Transfer-Encoding")) {
        m_chunked = true;
    } else if (sameName(name, "Location")) {
        m_location = std::string(value);
        m_hasLocation = true;
    } else if (sameName(name, "ETag")) {
        m_etag = std::string(value);
    } else if (sameName(name, "Last-Modified")) {
        m_lastModified = std::string(value);
    }
}

HeadCheck checkHead(const ResponseHead& head, std::int64_t offset,
                    std::optional<std::int64_t> expectedTotal) {
    const int status = head.status();
    if (status == 301 || status == 302) {
        if (!head.hasLocation() || head.location().empty()) {
            return failing("获得重定向信息错误");
        }
        HeadCheck check;
        check.verdict = HeadVerdict::Redirect;
        return check;
    }
    if (status == 400 || status == 403 || status == 404) {
        return failing("出现错误");
    }
    if (status != 200 && status != 206) {
        return failing(statusText(status));
    }
    if (head.conflictingLengths()) {
        return failing("返回的内容长度不一致");
    }
    if (status == 206) {
        return checkPartial(head, offset, expectedTotal);
    }
    HeadCheck check;
    check.verdict = HeadVerdict::WholeFile;
    check.totalSize = head.chunked() ? std::nullopt : head.contentLength();
    check.bodyEnd = check.totalSize;
    if (expectedTotal && check.totalSize != expectedTotal) {
        return failing("返回的文件长度与任务不符");
    }
    return check;
}

} // namespace tb::download
