#pragma once
// The hosts the program talks to: scheme, host and optional port, without a trailing "/".
// Each has a default and can be replaced through an environment variable:
//   TUNEBATCH_SEARCH_HOST  song search       (default http://songsearch.kugou.com)
//   TUNEBATCH_TIP_HOST     search tips       (default http://searchtip.kugou.com)
//   TUNEBATCH_PLAY_HOST    play information  (default http://www.kugou.com)
//   TUNEBATCH_IMAGE_HOST   picture window    (default empty: no picture is fetched)

#include <string>

namespace tb::net {

std::string SearchHost();
std::string TipHost();
std::string PlayHost();
std::string ImageHost();

} // namespace tb::net
