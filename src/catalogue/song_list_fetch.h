#pragma once
// Filling the result list from what the user typed: a keyword search against the
// song-search endpoint, or the songs of a playlist share page when the text is an address.

#include "catalogue/catalogue_addresses.h"

#include <functional>
#include <string>
#include <string_view>

namespace tb {

class ResultList;

// True when the text names a share page rather than a keyword: it contains "http" or,
// failing that, ".com", letter case ignored, never matching inside a two-byte character.
bool IsSharePageText(std::string_view text);

// Asks the catalogue for the songs of `text` (local text) and replaces the rows of `list`
// by them, one row per song, letting the window process its events after each row.
// A keyword reply that does not parse shows "数据解析出错" and leaves the list alone;
// every other failure is silent. `superseded` is asked while a request waits and after
// each request and each row: when it answers true a newer search has taken over (or the
// program is ending) and this one stops at once, without a message.
void FetchSongListInto(const std::string& text, ResultList& list, const CatalogueHosts& hosts,
                       const std::function<bool()>& superseded = {});

} // namespace tb
