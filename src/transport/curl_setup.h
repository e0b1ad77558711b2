#pragma once
// The program's one libcurl set-up, shared by the text and byte engines and the download
// engine. InitialiseCurl runs curl_global_init once; each program calls it at the top of
// main, before any thread, and every user of curl calls it again before its first handle
// (a no-op then), so that a library used without that main still works.

#include <curl/curl.h>

#include <cstddef>

namespace tb::transport {

// A response header block larger than this ends the exchange, so that a hostile server
// cannot make the client hold an unbounded header in memory.
constexpr std::size_t kMaxHeaderBlockBytes = 64 * 1024;

// Runs curl_global_init once for the whole program; true when libcurl is initialised and
// speaks HTTP. Safe from any thread.
bool InitialiseCurl();

// The options every transfer of the program has: no signals, HTTP/1.1, only http and
// https (also after redirects), and peer and host checks for TLS.
bool ApplyCommonOptions(CURL* easy);

} // namespace tb::transport
