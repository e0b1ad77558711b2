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
// by them: the whole reply is read into songs first and handed to the list in one step,
// while the window gets its turn at least every few tens of milliseconds.
// A keyword reply that does not parse shows "数据解析出错" and leaves the list alone; a
// request that gets no response shows "网络连接失败：" + the engine's message and leaves the
// list alone; a search that finds no song empties the list, which then says "没有找到歌曲".
// `superseded` is asked while a request waits and at each of those turns: when it answers
// true a newer search has taken over (or the program is ending) and this one stops at once,
// without a message and without touching the list.
void FetchSongListInto(const std::string& text, ResultList& list, const CatalogueHosts& hosts,
                       const std::function<bool()>& superseded = {});

} // namespace tb
