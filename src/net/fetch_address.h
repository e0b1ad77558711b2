#pragma once
// How the byte engine reads an address: host, port and object name by plain text rules,
// so that an address written without a scheme is taken as http.

#include <string>
#include <string_view>

namespace tb::net {

// True when the address starts with "https://" (letter case ignored).
bool IsSecureAddress(std::string_view url);
// The host in lower case, without port: "HTTP://Example.COM:8080/a" gives "example.com".
std::string AddressHost(std::string_view url);
// The port the address names; else 443 for an https address and 80 for any other.
// 0 when the named port is not a number.
int AddressPort(std::string_view url);
// The address from the first "/" after the host on, query included, in the address's own
// letter case; "/" when there is none.
std::string AddressObjectName(std::string_view url);

} // namespace tb::net
