#pragma once
// Cookie texts as the web engines exchange them with their callers: name=value pairs
// joined by "; ", in local text.

#include <string>
#include <string_view>

namespace tb::net {

// Rewrites every "Set-Cookie" in a raw response header block, in any letter case, as
// "Set-Cookie", so that the line tests below can be case-exact.
std::string NormaliseSetCookie(std::string_view headerBlock);

// The cookie of one "Set-Cookie" line: the text between "Set-Cookie:" and the first ";"
// when the line has one, else the line without "Set-Cookie:", trimmed of blanks.
std::string CookieOfLine(std::string_view line);

// The cookies of every line of a (normalised) header block that contains "Set-Cookie",
// joined by "; " and appended to `cookies`, separated from what it held by "; ".
void AppendResponseCookies(std::string_view headerBlock, std::string& cookies);

// Merges the caller's cookies (old) with the ones a response set (new): a new cookie wins
// over an old one of the same name, old cookies the response did not mention follow the
// new ones, cookies whose newest value is "deleted" are dropped, exact repeats removed.
std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies);

} // namespace tb::net
