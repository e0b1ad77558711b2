#include "catalogue/catalogue_addresses.h"

#include "data/local_text.h"
#include "net/endpoints.h"

#include <algorithm>
#include <cstring>

namespace tb {
namespace {

void appendTriplet(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

bool isAsciiAlnum(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z');
}

// Letters, digits and - . _ ~ (RFC 3986), which never need escaping.
bool isUnreserved(unsigned char byte) {
    return isAsciiAlnum(byte) || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

bool addressCannotCarry(unsigned char byte) {
    return byte <= 0x20 || byte >= 0x7F || std::strchr("\"#%<>[\\]^`{|}", byte) != nullptr;
}

} // namespace

CatalogueHosts ConfiguredCatalogueHosts() {
    return {net::SearchHost(), net::TipHost(), net::PlayHost()};
}

std::string UrlEncodeKeyword(std::string_view text) {
    std::string out;
    for (const char c : LocalToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (isAsciiAlnum(byte) || byte == '-' || byte == '.') {
            out += c;
        } else {
            appendTriplet(out, byte);
        }
    }
    return out;
}

std::string EscapeForAddress(std::string_view text) {
    std::string out;
    for (const char c : LocalToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (addressCannotCarry(byte)) {
            appendTriplet(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

std::string EscapeQueryValue(std::string_view text) {
    // ASCII is its own UTF-8 form (hashes and ids of a long reply are): no conversion.
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string utf8 = ascii ? std::string() : LocalToUtf8(text);
    std::string out;
    out.reserve(text.size());
    for (const char c : ascii ? text : std::string_view(utf8)) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(byte)) {
            out += c;
        } else {
            appendTriplet(out, byte);
        }
    }
    return out;
}

std::string SongSearchAddress(const std::string& host, std::string_view encodedKeyword) {
    return host + "/song_search_v2?keyword=" + std::string(encodedKeyword) +
           "&page=1&pagesize=1&platform=WebFilter";
}

std::string SuggestionAddress(const std::string& host, std::string_view keyword) {
    return host + "/getSearchTip?MusicTipCount=20&MVTipCount=2&albumcount=2&keyword=" +
           EscapeForAddress(keyword);
}

std::string PlayInfoAddress(const std::string& host, std::string_view hash,
                            std::string_view albumId) {
    return host + "/yy/index.php?r=play/getdata&hash=" + EscapeQueryValue(hash) +
           "&album_id=" + EscapeQueryValue(albumId) + "&_=";
}

bool IsWebAddress(std::string_view address) {
    const std::string start = AsciiLower(address.substr(0, 8));
    return start.rfind("http://", 0) == 0 || start == "https://";
}

} // namespace tb
