#pragma once
// The two aids beside the main search: suggestions under the keyword box while the user
// types (`列表框_预热`), with keyboard and mouse ways to take one, and the in-list search
// (`编辑框_搜`) that selects the first row whose song name contains a text.

#include "catalogue/song_search.h"

#include <functional>
#include <optional>
#include <vector>

namespace tb {

// Key codes the handlers act on.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyDown = 40;

// Asks the search-tip endpoint for completions of `keyword` and returns the suggested texts
// of the reply's first group, or nothing when the reply does not parse. The request is
// given up as soon as `stopWaiting` answers true.
std::optional<std::vector<std::string>> RequestSuggestions(const std::string& tipHost,
                                                           const std::string& keyword,
                                                           std::function<bool()> stopWaiting = {});

class SearchAids {
public:
    explicit SearchAids(SongSearch& search);

    // On every change of the keyword box: asks for completions of its text and shows them,
    // or hides the list when there are none. A request that starts while an older one
    // still waits or adds items takes the list over; the older one gives up and stops
    // adding. An answer that arrives after the list was hidden by a search or by the
    // result list is dropped.
    void FetchSuggestions();
    // The get-list button's command: hides the suggestions and runs the search.
    void GetListCommand();
    // A key pressed in the keyword box: Enter searches, Down moves into the suggestions.
    void KeywordKey(int key);
    // A key pressed in the suggestion list, before the list moves its own selection:
    // Enter searches the selected suggestion without the button, a second Up from the
    // first item returns to the keyword box with its text selected.
    void SuggestionKey(int key);
    // The mouse released over the suggestion list: searches the selected suggestion.
    void TakeSuggestionByMouse();
    void OnResultListFocused();
    void OnListSearchBoxPressed();
    // Selects the first row whose song name contains the in-list search text, letter case
    // ignored; an empty box gets "搜你喜欢~" back.
    void FindInList();

    bool atTopOfSuggestions() const { return m_atTop; }
    SongSearch& search() { return m_search; }

private:
    std::string selectedSuggestion() const;
    // Hides the list and drops the answer of any suggestion request still running.
    void hideSuggestions();

    SongSearch& m_search;
    SearchControls& m_controls;
    bool m_atTop = false;
    platform::LatestRun m_suggestionRuns; // a hide supersedes every request still running
};

} // namespace tb
