#include "transport/curl_setup.h"

#include <cstring>
#include <mutex>

namespace tb::transport {

bool InitialiseCurl() {
    static bool available = false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            return;
        }
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        for (const char* const* protocol = info->protocols; protocol && *protocol; ++protocol) {
            available = available || std::strcmp(*protocol, "http") == 0;
        }
    });
    return available;
}

bool ApplyCommonOptions(CURL* easy) {
    return curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) ==
               CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
}

} // namespace tb::transport
