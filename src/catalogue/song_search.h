#pragma once
// The search command of the main window: the get-list button's command and the song-list
// fetch it runs, over the controls of the search area.
//
// A search asked for while another one still waits for the catalogue or adds rows (Enter
// in the keyword box or on a suggestion, a suggestion taken with the mouse, or the button's
// command itself, none of which the disabled button blocks) restarts the search: the newer
// one runs at once, and the older one gives up its request and stops adding rows as soon
// as control returns to it, so the list never mixes the rows of two searches.

#include "catalogue/catalogue_addresses.h"
#include "catalogue/search_controls.h"
#include "platform/events.h"

#include <string>

namespace tb {

class SongSearch {
public:
    SongSearch(SearchControls controls, CatalogueHosts hosts);

    // Hides the suggestions, disables the button with "获取中……" for the time of the
    // search of the keyword box's text, then restores it as "获取列表".
    void GetListCommand();
    // Replaces the rows of `list` by the songs that `text` names (see FetchSongListInto).
    void FetchSongList(const std::string& text, ResultList& list);

    SearchControls& controls() { return m_controls; }
    const CatalogueHosts& hosts() const { return m_hosts; }

private:
    SearchControls m_controls;
    CatalogueHosts m_hosts;
    platform::LatestRun m_searches; // the newest search owns the list
};

} // namespace tb
