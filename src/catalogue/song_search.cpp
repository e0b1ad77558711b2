#include "catalogue/song_search.h"

#include "catalogue/song_list_fetch.h"
#include "data/local_text.h"

namespace tb {

SongSearch::SongSearch(SearchControls controls, CatalogueHosts hosts)
    : m_controls(controls), m_hosts(std::move(hosts)) {}

void SongSearch::GetListCommand() {
    static const std::string kFetching = Utf8ToLocal("获取中……");
    static const std::string kGetList = Utf8ToLocal("获取列表");
    m_controls.suggestions.setVisible(false);
    m_controls.getListButton.setEnabled(false);
    m_controls.getListButton.setCaption(kFetching);
    FetchSongList(m_controls.keywordBox.text(), m_controls.resultList);
    m_controls.getListButton.setEnabled(true);
    m_controls.getListButton.setCaption(kGetList);
}

void SongSearch::FetchSongList(const std::string& text, ResultList& list) {
    FetchSongListInto(text, list, m_hosts, m_searches.start().supersededCheck());
}

} // namespace tb
