#include "net/endpoints.h"

#include "platform/environment.h"

namespace tb::net {
namespace {

// The variable's value when it is set and not blank, else the default; a trailing "/" is
// dropped so that callers can append paths.
std::string configuredHost(const char* variable, const char* fallback) {
    std::string host = platform::EnvironmentValue(variable).value_or("");
    if (host.find_first_not_of(" \t") == std::string::npos) {
        host = fallback;
    }
    while (!host.empty() && host.back() == '/') {
        host.pop_back();
    }
    return host;
}

} // namespace

std::string SearchHost() {
    return configuredHost("TUNEBATCH_SEARCH_HOST", "http://songsearch.kugou.com");
}

std::string TipHost() {
    return configuredHost("TUNEBATCH_TIP_HOST", "http://searchtip.kugou.com");
}

std::string PlayHost() {
    return configuredHost("TUNEBATCH_PLAY_HOST", "http://www.kugou.com");
}

std::string ImageHost() {
    return configuredHost("TUNEBATCH_IMAGE_HOST", "");
}

} // namespace tb::net
