#include "net/fetch_address.h"

#include "data/local_text.h"

namespace tb::net {
namespace {

// Host with its ":port", in lower case. It ends at the first "/" after the scheme, and
// also at a "?" or "#", so a query that follows the host directly is no part of it.
std::string hostWithPort(std::string_view url) {
    std::string address = AsciiLower(url);
    if (address.empty() || address.back() != '/') {
        address += '/';
    }
    std::string host;
    // Only a scheme at the very start counts: an address written without one may still
    // carry "http://" in its query, which names no host of this request.
    if (address.starts_with("https://")) {
        host = TextBetween(address, "https://", "/");
    } else {
        if (!address.starts_with("http://")) {
            address = "http://" + address;
        }
        host = TextBetween(address, "http://", "/");
    }
    return host.substr(0, host.find_first_of("?#"));
}

} // namespace

bool IsSecureAddress(std::string_view url) {
    return AsciiLower(url.substr(0, 8)) == "https://";
}

std::string AddressHost(std::string_view url) {
    const std::string host = hostWithPort(url);
    return host.substr(0, host.find(':'));
}

int AddressPort(std::string_view url) {
    const std::string host = hostWithPort(url);
    const std::size_t colon = host.rfind(':');
    if (colon == std::string::npos) {
        return IsSecureAddress(url) ? 443 : 80;
    }
    const long long port = LocalToInt(host.substr(colon + 1));
    return (port >= 1 && port <= 65535) ? static_cast<int>(port) : 0;
}

std::string AddressObjectName(std::string_view url) {
    // The host is searched after the scheme, so that a host such as "t" or "p" is not
    // found inside "http://" itself.
    const std::string scheme = AsciiLower(url.substr(0, 8));
    const std::size_t hostSearch = scheme.starts_with("https://")  ? 8
                                   : scheme.starts_with("http://") ? 7
                                                                   : 0;
    const std::size_t hostStart = FindLocal(url, AddressHost(url), hostSearch, true);
    if (hostStart == std::string::npos) {
        return "/";
    }
    const std::size_t slash = url.find('/', hostStart);
    return slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
}

} // namespace tb::net
