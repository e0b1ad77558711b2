#include "catalogue/song_list_fetch.h"

#include "catalogue/result_list.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "net/http_request.h"
#include "platform/events.h"
#include "platform/prompt.h"

#include <vector>

namespace tb {
namespace {

struct SongCells {
    std::string name;
    std::string hash;
    std::string albumId;
    std::string seconds; // empty for share-page songs
    std::string bytes;
};

class SongFill {
public:
    SongFill(ResultList& list, const CatalogueHosts& hosts, const std::function<bool()>& superseded)
        : m_list(list), m_hosts(hosts), m_superseded(superseded) {}

    bool superseded() const { return m_superseded && m_superseded(); }

    // The text of the address, given up as soon as this search is superseded.
    std::string request(const std::string& address) const {
        return net::HttpRequest(address, m_superseded);
    }

    // Appends one row; false when a newer search took over during the event pass.
    bool appendRow(const SongCells& song, bool withDuration) {
        const int row = m_list.appendRow();
        m_list.setCell(row, kColIndex, std::to_string(row));
        m_list.setCell(row, kColName, song.name);
        m_list.setCell(row, kColHash, song.hash);
        m_list.setCell(row, kColAlbumId, song.albumId);
        m_list.setCell(row, kColUrl, PlayInfoAddress(m_hosts.play, song.hash, song.albumId));
        if (withDuration) {
            m_list.setCell(row, kColDuration, DurationText(LocalToInt(song.seconds)));
            m_list.setCell(row, kColSize, SizeText(song.bytes));
            m_list.setCell(row, kColRawSeconds, song.seconds);
            m_list.setCell(row, kColRawBytes, song.bytes);
        }
        platform::ProcessPendingEvents();
        return !superseded();
    }

    ResultList& list() { return m_list; }
    const CatalogueHosts& hosts() const { return m_hosts; }

private:
    ResultList& m_list;
    const CatalogueHosts& m_hosts;
    const std::function<bool()>& m_superseded;
};

std::string elementPath(const char* head, int index, const char* tail) {
    return head + std::to_string(index) + tail;
}

int elementCount(const JsonDocument& document, std::string_view path) {
    std::vector<std::string> names;
    return document.MemberNames(path, names);
}

void fetchKeywordSongs(const std::string& text, SongFill& fill) {
    const std::string firstAddress = SongSearchAddress(fill.hosts().search, UrlEncodeKeyword(text));
    // The first request asks for one song only, to learn how many there are.
    const std::string firstReply = fill.request(firstAddress);
    if (fill.superseded()) {
        return;
    }
    const std::string total = std::to_string(LocalToInt(TextBetween(firstReply, "total\":", ",")));
    const std::string allAddress = ReplaceAll(firstAddress, "pagesize=1", "pagesize=" + total);
    const std::string reply = Utf8ToLocal(fill.request(allAddress));
    if (fill.superseded()) {
        return;
    }
    JsonDocument document;
    document.Reset();
    if (!document.Parse(reply)) {
        static const std::string kParseError = Utf8ToLocal("数据解析出错");
        platform::ShowPrompt(kParseError, platform::PromptButtons::Ok);
        return;
    }
    const int count = elementCount(document, "data.lists");
    fill.list().clearRows();
    for (int k = 0; k < count; ++k) {
        const SongCells song{document.GetText(elementPath("data.lists[", k, "].FileName")),
                             document.GetText(elementPath("data.lists[", k, "].FileHash")),
                             document.GetText(elementPath("data.lists[", k, "].AlbumID")),
                             document.GetText(elementPath("data.lists[", k, "].HQDuration")),
                             document.GetText(elementPath("data.lists[", k, "].FileSize"))};
        if (!fill.appendRow(song, true)) {
            return;
        }
    }
}

void fetchSharePageSongs(const std::string& address, SongFill& fill) {
    static const std::string kArrayEnd = Utf8ToLocal(",//当前页面歌曲信息");
    const std::string page = fill.request(address);
    if (fill.superseded()) {
        return;
    }
    JsonDocument document;
    if (!document.Parse(TextBetween(page, "var dataFromSmarty = ", kArrayEnd))) {
        return;
    }
    const int count = elementCount(document, "");
    fill.list().clearRows();
    for (int k = 0; k < count; ++k) {
        const SongCells song{document.GetText(elementPath("[", k, "]['song_name']")),
                             document.GetText(elementPath("[", k, "].hash")),
                             document.GetText(elementPath("[", k, "]['album_id']")),
                             {},
                             {}};
        if (!fill.appendRow(song, false)) {
            return;
        }
    }
}

} // namespace

bool IsSharePageText(std::string_view text) {
    return ContainsLocal(text, "http", true) || ContainsLocal(text, ".com", true);
}

void FetchSongListInto(const std::string& text, ResultList& list, const CatalogueHosts& hosts,
                       const std::function<bool()>& superseded) {
    SongFill fill(list, hosts, superseded);
    if (IsSharePageText(text)) {
        fetchSharePageSongs(text, fill);
    } else {
        fetchKeywordSongs(text, fill);
    }
}

} // namespace tb
