#include "net/cookies.h"

#include "data/local_text.h"

#include <algorithm>
#include <vector>

namespace tb::net {
namespace {

constexpr std::string_view kSetCookie = "Set-Cookie";
constexpr std::string_view kSetCookieColon = "Set-Cookie:";
constexpr std::string_view kDeletedEnding = "=deleted";
constexpr std::string_view kSeparator = "; ";

std::vector<std::string> splitLines(std::string_view block) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= block.size()) {
        const std::size_t end = block.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(block.substr(start));
            break;
        }
        lines.emplace_back(block.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Splits at `separator`; empty items carry no cookie and are left out.
std::vector<std::string> splitItems(std::string_view text, std::string_view separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            items.emplace_back(text.substr(start, end - start));
        }
        start = end + separator.size();
    }
    return items;
}

std::string cookieName(std::string_view item) {
    const std::size_t equals = item.find('=');
    return TrimBlanks(equals == std::string_view::npos ? item : item.substr(0, equals));
}

bool isDeleted(std::string_view item) {
    return item.size() >= kDeletedEnding.size() &&
           item.substr(item.size() - kDeletedEnding.size()) == kDeletedEnding;
}

std::string joinItems(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) {
        if (!joined.empty()) {
            joined += kSeparator;
        }
        joined += item;
    }
    return joined;
}

} // namespace

std::string NormaliseSetCookie(std::string_view headerBlock) {
    std::string block(headerBlock);
    std::size_t pos = FindLocal(block, kSetCookie, 0, true);
    while (pos != std::string::npos) {
        block.replace(pos, kSetCookie.size(), kSetCookie);
        pos = FindLocal(block, kSetCookie, pos + kSetCookie.size(), true);
    }
    return block;
}

std::string CookieOfLine(std::string_view line) {
    if (line.find(';') != std::string_view::npos) {
        return TrimBlanks(TextBetween(line, kSetCookieColon, ";"));
    }
    std::string rest(line);
    std::size_t pos = FindLocal(rest, kSetCookieColon, 0, true);
    while (pos != std::string::npos) {
        rest.erase(pos, kSetCookieColon.size());
        pos = FindLocal(rest, kSetCookieColon, pos, true);
    }
    return TrimBlanks(rest);
}

void AppendResponseCookies(std::string_view headerBlock, std::string& cookies) {
    std::string received;
    for (const std::string& line : splitLines(headerBlock)) {
        if (ContainsLocal(line, kSetCookie)) {
            received += CookieOfLine(line);
            received += kSeparator;
        }
    }
    if (received.empty()) {
        return;
    }
    received.resize(received.size() - kSeparator.size());
    if (!cookies.empty()) {
        cookies += kSeparator;
    }
    cookies += received;
}

std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies) {
    const std::vector<std::string> oldItems = splitItems(RemoveBlanks(oldCookies), ";");
    std::vector<std::string> merged = splitItems(RemoveBlanks(newCookies), ";");
    for (const std::string& item : oldItems) {
        const std::string name = cookieName(item);
        if (std::none_of(merged.begin(), merged.end(),
                         [&](const std::string& n) { return cookieName(n) == name; })) {
            merged.push_back(item);
        }
    }
    std::vector<std::string> kept;
    for (const std::string& item : merged) {
        if (!isDeleted(item) && std::find(kept.begin(), kept.end(), item) == kept.end()) {
            kept.push_back(item);
        }
    }
    return joinItems(kept);
}

} // namespace tb::net
