#include "catalogue/search_aids.h"

#include "catalogue/result_list.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "net/http_request.h"
#include "platform/events.h"

namespace tb {
namespace {

// Lets a burst of keystrokes land in the box before the request goes out.
constexpr int kTypingPauseMs = 20;

} // namespace

SearchAids::SearchAids(SongSearch& search) : m_search(search), m_controls(search.controls()) {}

std::optional<std::vector<std::string>> RequestSuggestions(const std::string& tipHost,
                                                           const std::string& keyword,
                                                           std::function<bool()> stopWaiting) {
    JsonDocument document;
    const std::string reply =
        Utf8ToLocal(net::HttpRequest(SuggestionAddress(tipHost, keyword), std::move(stopWaiting)));
    if (!document.Parse(reply)) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    const int count = document.MemberNames("data[0].RecordDatas", names);
    std::vector<std::string> texts;
    for (int k = 0; k < count; ++k) {
        texts.push_back(
            document.GetText("data[0].RecordDatas[" + std::to_string(k) + "].HintInfo"));
    }
    return texts;
}

void SearchAids::FetchSuggestions() {
    const platform::LatestRun::Ticket mine = m_suggestionRuns.start();
    platform::ProcessPendingEvents();
    platform::WaitProcessingEvents(kTypingPauseMs);
    const auto texts = RequestSuggestions(m_search.hosts().tip, m_controls.keywordBox.text(),
                                          mine.supersededCheck());
    if (mine.superseded()) {
        return;
    }
    SuggestionList& suggestions = m_controls.suggestions;
    suggestions.clearItems();
    const int count = texts ? static_cast<int>(texts->size()) : 0;
    for (int k = 0; k < count; ++k) {
        suggestions.addItem((*texts)[k], k);
        platform::ProcessPendingEvents();
        if (mine.superseded()) {
            return;
        }
    }
    suggestions.setVisible(count > 0);
}

void SearchAids::GetListCommand() {
    hideSuggestions();
    m_search.GetListCommand();
}

void SearchAids::KeywordKey(int key) {
    if (key == kKeyEnter) {
        hideSuggestions();
        m_search.GetListCommand();
    } else if (key == kKeyDown) {
        m_controls.suggestions.focus();
        m_controls.suggestions.setSelectedIndex(0);
    }
}

void SearchAids::SuggestionKey(int key) {
    if (key == kKeyEnter) {
        m_controls.keywordBox.setText(selectedSuggestion());
        hideSuggestions();
        m_search.FetchSongList(m_controls.keywordBox.text(), m_controls.resultList);
    } else if (key == kKeyUp) {
        if (m_atTop) {
            m_controls.keywordBox.focus();
            m_atTop = false;
            m_controls.keywordBox.select(0, static_cast<int>(m_controls.keywordBox.text().size()));
        }
        if (m_controls.suggestions.selectedIndex() == 1) {
            m_atTop = true;
        }
    } else if (key == kKeyDown) {
        m_atTop = false;
    }
}

void SearchAids::TakeSuggestionByMouse() {
    m_controls.keywordBox.setText(selectedSuggestion());
    hideSuggestions();
    m_search.GetListCommand();
}

void SearchAids::OnResultListFocused() {
    hideSuggestions();
}

void SearchAids::OnListSearchBoxPressed() {
    m_controls.listSearchBox.setText({});
}

void SearchAids::FindInList() {
    static const std::string kPlaceholder = Utf8ToLocal("搜你喜欢~");
    const std::string wanted = m_controls.listSearchBox.text();
    if (wanted.empty()) {
        m_controls.listSearchBox.setText(kPlaceholder);
        return;
    }
    ResultList& list = m_controls.resultList;
    // The row count is read at every step: a search may change the list meanwhile.
    for (int row = 0; row < list.rowCount(); ++row) {
        if (ContainsLocal(list.cell(row, kColName), wanted, true)) {
            list.focus();
            list.ensureVisible(row);
            list.selectRow(row);
            return;
        }
        platform::ProcessPendingEvents();
    }
}

void SearchAids::hideSuggestions() {
    m_suggestionRuns.supersedeAll();
    m_controls.suggestions.setVisible(false);
}

std::string SearchAids::selectedSuggestion() const {
    const int selected = m_controls.suggestions.selectedIndex();
    return selected < 0 ? std::string() : m_controls.suggestions.itemText(selected);
}

} // namespace tb
