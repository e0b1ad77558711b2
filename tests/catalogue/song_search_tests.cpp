// Keyword and share-page searches against the stand-in catalogue on loopback.

#include "catalogue_fixture.h"

#include "catalogue/song_detail.h"
#include "catalogue/song_list_fetch.h"
#include "platform/events.h"

namespace tb::test {
namespace {

using Cells = std::vector<std::string>;

class SongSearchTest : public CatalogueTest {
protected:
    void searchFor(const std::string& utf8Text) {
        keywordBox.setText(L(utf8Text.c_str()));
        search->GetListCommand();
    }
    std::string playAddress(const std::string& hash, const std::string& album) const {
        return base + "/yy/index.php?r=play/getdata&hash=" + hash + "&album_id=" + album + "&_=";
    }
    void cannedSearchReply(const std::string& body) {
        server->setCannedReply("/song_search_v2",
                               standin::CannedReply{200, "application/json", body});
    }
};

TEST_F(SongSearchTest, KeywordSearchFillsEveryCellOfEachRow) {
    const std::string h1 = "A0000000000000000000000000000001";
    const std::string h2 = "A0000000000000000000000000000002";
    searchFor("hello");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(rowCells(0), (Cells{"0", "Alpha - hello there", h1, "501", playAddress(h1, "501"), "",
                                  "", "04:05", "3.75M", "245", "3932160"}));
    EXPECT_EQ(rowCells(1), (Cells{"1", "Beta - HELLO AGAIN", h2, "502", playAddress(h2, "502"), "",
                                  "", "00:59", "1.00M", "59", "1048576"}));

    const std::string h3 = "A0000000000000000000000000000003";
    searchFor("抖音");
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(rowCells(0), (Cells{"0", L("抖音 - 夜空"), h3, "503", playAddress(h3, "503"), "", "",
                                  "100:05", "1.00G", "6005", "1073741824"}));

    const std::string h4 = "A0000000000000000000000000000004";
    searchFor("QUIET");
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(rowCells(0), (Cells{"0", "Gamma - quiet", h4, "", playAddress(h4, ""), "", "",
                                  "00:00", "0.00M", "0", "0"}));
}

TEST_F(SongSearchTest, SecondRequestAsksForTheTotalInOnePage) {
    searchFor("e");
    const auto requests = requestsTo("/song_search_v2");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "/song_search_v2?keyword=e&page=1&pagesize=1&platform=WebFilter");
    EXPECT_EQ(requests[1], "/song_search_v2?keyword=e&page=1&pagesize=3&platform=WebFilter");
    EXPECT_EQ(list.rowCount(), 3);
    for (int row = 0; row < list.rowCount(); ++row) {
        EXPECT_EQ(list.cell(row, kColIndex), std::to_string(row));
    }
}

TEST_F(SongSearchTest, KeywordIsSentAsPercentEncodedUtf8) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a b", "a%20b"},         {"抖音", "%E6%8A%96%E9%9F%B3"}, {"_", "%5F"},
        {"-.09AZaz", "-.09AZaz"}, {"/~?&=", "%2F%7E%3F%26%3D"},
    };
    for (const auto& [typed, sent] : cases) {
        server->clearRequestLog();
        searchFor(typed);
        const auto requests = requestsTo("/song_search_v2");
        ASSERT_EQ(requests.size(), 2u) << typed;
        EXPECT_EQ(requests[0],
                  "/song_search_v2?keyword=" + sent + "&page=1&pagesize=1&platform=WebFilter")
            << typed;
    }
    EXPECT_EQ(UrlEncodeKeyword(""), "");
}

TEST_F(SongSearchTest, AddressesAndDotComTakeTheSharePagePath) {
    EXPECT_TRUE(IsSharePageText("HTTP://host/x"));
    EXPECT_TRUE(IsSharePageText("songs.COM"));
    EXPECT_TRUE(IsSharePageText("xhTtPx"));
    EXPECT_FALSE(IsSharePageText("com"));
    EXPECT_FALSE(IsSharePageText("dotcom"));
    // 0x81 0x68 is one two-byte character whose second byte is "h": no "http" starts there.
    EXPECT_FALSE(IsSharePageText("\x81http"));
    EXPECT_TRUE(IsSharePageText("\x81\x81http"));

    searchFor("hello");
    server->clearRequestLog();
    searchFor("hello.COM"); // an address no request can reach: nothing changes
    EXPECT_TRUE(requestsTo("/song_search_v2").empty());
    EXPECT_EQ(list.rowCount(), 2);

    searchFor("com");
    EXPECT_EQ(requestsTo("/song_search_v2").size(), 2u);
}

TEST_F(SongSearchTest, SharePageRowsCarryNoDurationOrSize) {
    const std::string upperBase = "HTTP" + base.substr(4);
    for (const std::string& address : {upperBase + "/share/list.html", base + "/s/list"}) {
        list.clearRows();
        keywordBox.setText(address);
        search->GetListCommand();
        ASSERT_EQ(list.rowCount(), 4) << address;
        const std::string h3 = "A0000000000000000000000000000003";
        EXPECT_EQ(rowCells(2), (Cells{"2", L("抖音 - 夜空"), h3, "503", playAddress(h3, "503"), "",
                                      "", "", "", "", ""}));
    }
    EXPECT_TRUE(requestsTo("/song_search_v2").empty());
    EXPECT_TRUE(prompt->texts.empty());
}

TEST_F(SongSearchTest, EmptyResultEmptiesTheListWhichSaysNoSongWasFound) {
    searchFor("hello");
    EXPECT_EQ(list.emptyText(), "");
    searchFor("no such song");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.clearCount(), 2);
    EXPECT_EQ(list.emptyText(), L("没有找到歌曲"));
    searchFor("hello");
    EXPECT_EQ(list.emptyText(), "");

    const std::string emptyPage = "<html><head><meta charset=\"utf-8\"></head><script>"
                                  "var dataFromSmarty = [],//当前页面歌曲信息</script></html>";
    server->setCannedReply("/share/empty.html",
                           standin::CannedReply{200, "text/html; charset=utf-8", emptyPage});
    keywordBox.setText(base + "/share/empty.html");
    search->GetListCommand();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.emptyText(), L("没有找到歌曲"));
    EXPECT_TRUE(prompt->texts.empty());
}

TEST_F(SongSearchTest, UnreachableCatalogueShowsTheNetworkFailureOnceAndKeepsTheRows) {
    searchFor("抖音");
    const std::string closed = "http://127.0.0.1:9";
    SongSearch unreachable(SearchControls{keywordBox, button, suggestions, listSearchBox, list},
                           CatalogueHosts{closed, closed, closed});
    const std::vector<std::string> texts = {"hello", closed + "/share/x.html"};
    for (const std::string& text : texts) {
        prompt->texts.clear();
        keywordBox.setText(L(text.c_str()));
        unreachable.GetListCommand();
        EXPECT_EQ(prompt->texts, std::vector<std::string>{L("网络连接失败：711 发送请求失败!")})
            << text;
        ASSERT_EQ(list.rowCount(), 1) << text;
        EXPECT_EQ(list.cell(0, kColName), L("抖音 - 夜空")) << text;
        EXPECT_EQ(list.emptyText(), "") << text;
        EXPECT_TRUE(button.enabled) << text;
        EXPECT_EQ(button.caption, L("获取列表")) << text;
    }
}

TEST_F(SongSearchTest, FailedSecondRequestShowsParseErrorOnceAndKeepsTheRows) {
    const std::vector<std::pair<const char*, standin::FaultSwitches>> faults = {
        {"status 500", {.status500 = true, .pathPrefix = "/song_search_v2", .skip = 1}},
        {"html page", {.nonJson = true, .pathPrefix = "/song_search_v2", .skip = 1}},
        {"cut body", {.resetMidBody = true, .pathPrefix = "/song_search_v2", .skip = 1}},
    };
    for (const auto& [what, fault] : faults) {
        server->setFaults({});
        prompt->texts.clear();
        searchFor("抖音");
        server->setFaults(fault);
        searchFor("hello");
        EXPECT_EQ(prompt->texts, std::vector<std::string>{L("数据解析出错")}) << what;
        ASSERT_EQ(list.rowCount(), 1) << what;
        EXPECT_EQ(list.cell(0, kColName), L("抖音 - 夜空")) << what;
        EXPECT_TRUE(button.enabled) << what;
        EXPECT_EQ(button.caption, L("获取列表")) << what;
    }
}

TEST_F(SongSearchTest, FailedFirstRequestAsksForNoSongsAndEmptiesTheList) {
    searchFor("hello");
    server->clearRequestLog();
    server->setFaults({.status500 = true, .pathPrefix = "/song_search_v2", .skip = 0, .count = 1});
    searchFor("hello");
    const auto requests = requestsTo("/song_search_v2");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], "/song_search_v2?keyword=hello&page=1&pagesize=0&platform=WebFilter");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(prompt->texts.empty());
}

TEST_F(SongSearchTest, ButtonIsDisabledWhileRowsAreAdded) {
    std::vector<std::pair<bool, std::string>> seen;
    platform::setPendingEventsHandler([&] { seen.emplace_back(button.enabled, button.caption); });
    suggestions.visible = true;
    searchFor("e");
    // At least once per row; the request engine may keep the window alive as well.
    ASSERT_GE(seen.size(), 3u);
    for (const auto& [enabled, caption] : seen) {
        EXPECT_FALSE(enabled);
        EXPECT_EQ(caption, L("获取中……"));
    }
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.captions, (std::vector<std::string>{L("获取中……"), L("获取列表")}));
    EXPECT_FALSE(suggestions.visible);
}

TEST_F(SongSearchTest, SearchStartedDuringAnotherReplacesIt) {
    keywordBox.setText("e");
    bool started = false;
    // The newer search starts while the first one reads its full reply.
    platform::setPendingEventsHandler([&] {
        if (!started && requestsTo("/song_search_v2").size() == 2) {
            started = true;
            keywordBox.setText(L("抖音"));
            aids->KeywordKey(kKeyEnter); // the keyboard path the disabled button does not block
        }
    });
    search->GetListCommand();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cell(0, kColIndex), "0");
    EXPECT_EQ(list.cell(0, kColName), L("抖音 - 夜空"));
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.caption, L("获取列表"));
}

TEST_F(SongSearchTest, SearchRestartedWhileTheFirstWaitsGivesUpTheFirstRequest) {
    server->setFaults({.delayMs = 2000, .pathPrefix = "/song_search_v2", .count = 1});
    bool restarted = false;
    int passesAfterRestart = 0;
    platform::setPendingEventsHandler([&] {
        if (restarted) {
            ++passesAfterRestart;
            return;
        }
        if (requestsTo("/song_search_v2").empty()) {
            return; // not yet waiting on the catalogue
        }
        restarted = true;
        keywordBox.setText(L("抖音"));
        search->GetListCommand(); // the button's command, as a programmatic click runs it
        passesAfterRestart = 0;
    });
    searchFor("e");
    // The first search stops waiting at once (only the pass at its request's end follows)
    // and never asks for its songs; the second asks for its one song.
    EXPECT_LE(passesAfterRestart, 1);
    EXPECT_EQ(
        requestsTo("/song_search_v2"),
        (std::vector<std::string>{
            "/song_search_v2?keyword=e&page=1&pagesize=1&platform=WebFilter",
            "/song_search_v2?keyword=%E6%8A%96%E9%9F%B3&page=1&pagesize=1&platform=WebFilter",
            "/song_search_v2?keyword=%E6%8A%96%E9%9F%B3&page=1&pagesize=1&platform=WebFilter"}));
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cell(0, kColName), L("抖音 - 夜空"));
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.caption, L("获取列表"));
    EXPECT_TRUE(prompt->texts.empty());
}

TEST_F(SongSearchTest, ProgramEndDuringASearchStopsItWithoutAMessageOrFurtherRequests) {
    searchFor("hello");
    server->clearRequestLog();
    server->setFaults({.delayMs = 2000, .pathPrefix = "/song_search_v2", .count = 1});
    platform::setPendingEventsHandler([this] {
        if (!requestsTo("/song_search_v2").empty()) {
            platform::AbandonWaitingRequests(); // the window closed while the request waits
        }
    });
    searchFor("e");
    EXPECT_EQ(requestsTo("/song_search_v2").size(), 1u);
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_TRUE(prompt->texts.empty());
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.caption, L("获取列表"));
}

TEST_F(SongSearchTest, OddKeywordRepliesStillGiveSoundRows) {
    struct Case {
        const char* what;
        std::string reply;
        std::string secondPageSize;
        Cells firstRow; // name, hash, album, time, size, seconds, bytes
    };
    const std::vector<Case> cases = {
        {"total as last member",
         R"({"data":{"lists":[{"FileName":"x","FileHash":"H"}],"total":1}})",
         "0",
         {"x", "H", "", "00:00", "0.00M", "", ""}},
        {"missing members",
         R"({"data":{"total":1,"lists":[{}]}})",
         "1",
         {"", "", "", "00:00", "0.00M", "", ""}},
        {"numbers as strings",
         R"({"data":{"total":"1","lists":[{"FileName":"s","HQDuration":"245","FileSize":"3932160"}]}})",
         "0",
         {"s", "", "", "04:05", "3.75M", "245", "3932160"}},
        {"huge total",
         R"({"data":{"total":99999999999999999999999,"lists":[{"FileName":"h"}]}})",
         "9223372036854775807",
         {"h", "", "", "00:00", "0.00M", "", ""}},
    };
    for (const auto& item : cases) {
        server->clearRequestLog();
        cannedSearchReply(item.reply);
        searchFor("k");
        const auto requests = requestsTo("/song_search_v2");
        ASSERT_EQ(requests.size(), 2u) << item.what;
        EXPECT_EQ(requests[1], "/song_search_v2?keyword=k&page=1&pagesize=" + item.secondPageSize +
                                   "&platform=WebFilter")
            << item.what;
        ASSERT_EQ(list.rowCount(), 1) << item.what;
        const Cells row = rowCells(0);
        EXPECT_EQ((Cells{row[1], row[2], row[3], row[7], row[8], row[9], row[10]}), item.firstRow)
            << item.what;
    }
    cannedSearchReply(R"({"data":{"total":2,"lists":7}})");
    searchFor("k");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(prompt->texts.empty());
}

TEST_F(SongSearchTest, ReplyValuesAreEscapedWhereTheyEnterThePlayAddress) {
    const std::string prefix = base + "/yy/index.php?r=play/getdata&hash=";
    cannedSearchReply(R"({"data":{"total":2,"lists":[
        {"FileName":"n","FileHash":"x&y=1#z","AlbumID":"1 2"},
        {"FileName":"m","FileHash":"歌~_-.","AlbumID":"7/8?%"}]}})");
    searchFor("k");
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.cell(0, kColHash), "x&y=1#z"); // the data cells keep the values as read
    EXPECT_EQ(list.cell(0, kColAlbumId), "1 2");
    EXPECT_EQ(list.cell(0, kColUrl), prefix + "x%26y%3D1%23z&album_id=1%202&_=");
    EXPECT_EQ(list.cell(1, kColUrl), prefix + "%E6%AD%8C~_-.&album_id=7%2F8%3F%25&_=");

    // The server sees the whole query, with the values it sent back intact.
    std::string image;
    std::string lyrics;
    server->clearRequestLog();
    ResolveSongDetail(list.cell(0, kColUrl), image, lyrics);
    ASSERT_EQ(requestsTo("/yy/").size(), 1u);
    EXPECT_EQ(base + requestsTo("/yy/")[0], list.cell(0, kColUrl));

    server->setCannedReply(
        "/share/odd.html",
        standin::CannedReply{200, "text/html; charset=utf-8",
                             R"(<meta charset="utf-8"><script>var dataFromSmarty = )"
                             R"([{"hash":"a/b","song_name":"s",)"
                             R"("album_id":"1&r=x"}],//当前页面歌曲信息</script>)"});
    keywordBox.setText(base + "/share/odd.html");
    search->GetListCommand();
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cell(0, kColUrl), prefix + "a%2Fb&album_id=1%26r%3Dx&_=");
}

TEST_F(SongSearchTest, AByteOrderMarkOrAHugeNumberInAReplyCostsNoRows) {
    cannedSearchReply("\xEF\xBB\xBF"
                      R"({"data":{"total":2,"lists":[
        {"FileName":"a","FileSize":1e+99999999999999999999},
        {"FileName":"b","HQDuration":0.1e-99999999999}]}})");
    searchFor("k");
    EXPECT_TRUE(prompt->texts.empty());
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.cell(0, kColRawBytes), "inf");
    EXPECT_EQ(list.cell(1, kColName), "b");
    EXPECT_EQ(list.cell(1, kColRawSeconds), "0");
}

TEST_F(SongSearchTest, BrokenSharePagesLeaveTheListAlone) {
    searchFor("hello");
    const std::vector<std::pair<std::string, std::string>> pages = {
        {"no markers", "<html><body>var songs = [];</body></html>"},
        {"bad array", "<html><script>var dataFromSmarty = [{\"hash\":,//当前页面歌曲信息"},
    };
    for (const auto& [what, page] : pages) {
        server->setCannedReply("/share/odd.html",
                               standin::CannedReply{200, "text/html; charset=utf-8", page});
        keywordBox.setText(base + "/share/odd.html");
        search->GetListCommand();
        EXPECT_EQ(list.rowCount(), 2) << what;
    }
    EXPECT_TRUE(prompt->texts.empty());
    // A share address that redirects to itself never gets a response.
    keywordBox.setText(base + "/s/loop");
    search->GetListCommand();
    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.cell(1, kColName), "Beta - HELLO AGAIN");
    EXPECT_EQ(prompt->texts, std::vector<std::string>{L("网络连接失败：712 服务器未响应!")});
}

} // namespace
} // namespace tb::test
