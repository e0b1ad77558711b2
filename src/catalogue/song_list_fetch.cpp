#include "catalogue/song_list_fetch.h"

#include "catalogue/result_list.h"
#include "data/json_document.h"
#include "data/local_text.h"
#include "net/http_request.h"
#include "platform/events.h"
#include "platform/prompt.h"

#include <chrono>
#include <optional>
#include <vector>

namespace tb {
namespace {

// Lets the window paint and take input during the long stretches of a search (parsing a
// large reply, reading its songs) without paying for an event pass per small step.
class EventPacer {
public:
    static constexpr auto kInterval = std::chrono::milliseconds(40);

    void operator()() {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last >= kInterval) {
            platform::ProcessPendingEvents();
            m_last = std::chrono::steady_clock::now();
        }
    }

private:
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

class SongFill {
public:
    SongFill(ResultList& list, const CatalogueHosts& hosts, const std::function<bool()>& superseded)
        : m_list(list), m_hosts(hosts), m_superseded(superseded) {}

    bool superseded() const { return m_superseded && m_superseded(); }

    // The text of the address; nothing when this search was superseded while it waited, or
    // when no response arrived at all, which is shown once as a network failure.
    std::optional<std::string> request(const std::string& address) const {
        net::HttpRequestArgs args;
        args.stopWaiting = m_superseded;
        std::string text = net::HttpRequest(address, args);
        if (superseded()) {
            return std::nullopt;
        }
        if (args.responseHeaders.empty()) {
            static const std::string kNetworkFailure = Utf8ToLocal("网络连接失败：");
            platform::ShowPrompt(kNetworkFailure + args.status, platform::PromptButtons::Ok);
            return std::nullopt;
        }
        return text;
    }

    // Gives the window its turn now and then; false once a newer search took over.
    bool keepGoing() {
        m_pacer();
        return !superseded();
    }
    EventPacer& pacer() { return m_pacer; }

    // Replaces the rows by the songs in one step. A search without a song leaves an empty
    // list that says so.
    void show(std::vector<Song> songs) {
        static const std::string kNoSongs = Utf8ToLocal("没有找到歌曲");
        m_list.clearRows();
        m_list.setEmptyText(songs.empty() ? kNoSongs : std::string());
        m_list.appendSongs(std::move(songs));
        platform::ProcessPendingEvents();
    }

    std::string playInfoAddress(const std::string& hash, const std::string& albumId) const {
        return PlayInfoAddress(m_hosts.play, hash, albumId);
    }
    const CatalogueHosts& hosts() const { return m_hosts; }

private:
    ResultList& m_list;
    const CatalogueHosts& m_hosts;
    const std::function<bool()>& m_superseded;
    EventPacer m_pacer;
};

// The keyword reply, UTF-8, parsed with event passes between its slices. A reply that is
// not clean UTF-8 is read as its local-text form, which stands in for the bytes it cannot
// carry, as every reply was read before.
bool parseKeywordReply(const std::string& reply, JsonDocument& document, SongFill& fill) {
    document.Reset();
    if (document.ParseUtf8(reply, [&fill] { fill.pacer()(); })) {
        return true;
    }
    document.Reset();
    return document.Parse(Utf8ToLocal(reply));
}

using SongTexts = std::vector<std::string>;

// The songs of the elements of arrayPath, read by members whose first three are the name,
// the hash and the album id; `complete` adds what else the reply carries of each. Nothing
// when a newer search took over meanwhile.
template <typename Complete>
std::optional<std::vector<Song>> readSongs(const JsonDocument& document,
                                           const std::string& arrayPath, const SongTexts& members,
                                           SongFill& fill, Complete complete) {
    std::vector<Song> songs;
    songs.reserve(static_cast<std::size_t>(document.Count(arrayPath)));
    bool superseded = false;
    document.ReadElementTexts(arrayPath, members, [&](SongTexts& texts) {
        Song song;
        song.name = std::move(texts[0]);
        song.hash = std::move(texts[1]);
        song.albumId = std::move(texts[2]);
        song.playInfoAddress = fill.playInfoAddress(song.hash, song.albumId);
        complete(song, texts);
        songs.push_back(std::move(song));
        superseded = !fill.keepGoing();
        return !superseded;
    });
    if (superseded) {
        return std::nullopt;
    }
    return songs;
}

std::optional<std::vector<Song>> keywordSongs(const JsonDocument& document, SongFill& fill) {
    static const SongTexts kMembers = {".FileName", ".FileHash", ".AlbumID", ".HQDuration",
                                       ".FileSize"};
    return readSongs(document, "data.lists", kMembers, fill, [](Song& song, SongTexts& texts) {
        song.seconds = SongNumber(texts[3]);
        song.bytes = SongNumber(texts[4]);
    });
}

void fetchKeywordSongs(const std::string& text, SongFill& fill) {
    const std::string firstAddress = SongSearchAddress(fill.hosts().search, UrlEncodeKeyword(text));
    // The first request asks for one song only, to learn how many there are.
    const std::optional<std::string> firstReply = fill.request(firstAddress);
    if (!firstReply) {
        return;
    }
    const std::string total = std::to_string(LocalToInt(TextBetween(*firstReply, "total\":", ",")));
    const std::string allAddress = ReplaceAll(firstAddress, "pagesize=1", "pagesize=" + total);
    std::optional<std::string> allReply = fill.request(allAddress);
    if (!allReply) {
        return;
    }
    JsonDocument document;
    const bool parsed = parseKeywordReply(*allReply, document, fill);
    allReply.reset(); // the songs need the document only
    if (fill.superseded()) {
        return;
    }
    if (!parsed) {
        static const std::string kParseError = Utf8ToLocal("数据解析出错");
        platform::ShowPrompt(kParseError, platform::PromptButtons::Ok);
        return;
    }
    if (std::optional<std::vector<Song>> songs = keywordSongs(document, fill)) {
        document.Destroy();
        fill.show(std::move(*songs));
    }
}

void fetchSharePageSongs(const std::string& address, SongFill& fill) {
    static const std::string kArrayEnd = Utf8ToLocal(",//当前页面歌曲信息");
    const std::optional<std::string> page = fill.request(address);
    if (!page) {
        return;
    }
    JsonDocument document;
    if (!document.Parse(TextBetween(*page, "var dataFromSmarty = ", kArrayEnd))) {
        return;
    }
    static const SongTexts kMembers = {"['song_name']", ".hash", "['album_id']"};
    std::optional<std::vector<Song>> songs =
        readSongs(document, "", kMembers, fill,
                  [](Song& song, SongTexts&) { song.origin = SongOrigin::SharePage; });
    if (songs) {
        fill.show(std::move(*songs));
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
