#pragma once
// Addresses of the catalogue service's endpoints and the encodings of what goes into them.
// Hosts are scheme + host + optional port ("http://songsearch.example:8080"), no final "/".

#include <string>
#include <string_view>

namespace tb {

// The hosts the catalogue client talks to.
struct CatalogueHosts {
    std::string search; // song search (/song_search_v2)
    std::string tip;    // search suggestions (/getSearchTip)
    std::string play;   // play information (/yy/index.php)
};

// The hosts of the endpoint configuration (defaults, or the TUNEBATCH_*_HOST variables).
CatalogueHosts ConfiguredCatalogueHosts();

// Local text -> UTF-8, then every byte except '-', '.', digits and ASCII letters as an
// upper-case percent triplet ("a b" -> "a%20b", "_" -> "%5F").
std::string UrlEncodeKeyword(std::string_view text);

// The keyword of a suggestion request goes into the address as typed; only the bytes an
// address cannot carry (controls, blanks, non-ASCII, and " # % < > [ \ ] ^ ` { | }) are
// sent as percent triplets of their UTF-8 form, so "R&B" stays "R&B" and "抖音" reaches
// the server as the UTF-8 text it would see from a browser.
std::string EscapeForAddress(std::string_view text);

// A value taken from a reply, made safe to stand in an address's query: local text ->
// UTF-8, then every byte except the unreserved ones (ASCII letters, digits, "-", ".", "_",
// "~") as an upper-case percent triplet. Hex hashes and digit ids pass unchanged; a hash
// "x&y=1#z" becomes "x%26y%3D1%23z" and can neither add a parameter nor cut the rest off.
std::string EscapeQueryValue(std::string_view text);

// host + "/song_search_v2?keyword=" + encoded keyword + "&page=1&pagesize=1&platform=WebFilter"
std::string SongSearchAddress(const std::string& host, std::string_view encodedKeyword);
// host + "/getSearchTip?MusicTipCount=20&MVTipCount=2&albumcount=2&keyword=" + escaped text
std::string SuggestionAddress(const std::string& host, std::string_view keyword);
// host + "/yy/index.php?r=play/getdata&hash=" + hash + "&album_id=" + albumId + "&_=",
// hash and album id (values from a reply) through EscapeQueryValue.
std::string PlayInfoAddress(const std::string& host, std::string_view hash,
                            std::string_view albumId);

// True when the address starts with "http://" or "https://", letter case ignored: the
// only addresses of songs that are played or downloaded.
bool IsWebAddress(std::string_view address);

} // namespace tb
