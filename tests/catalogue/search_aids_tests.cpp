// Suggestions under the keyword box, their keys and mouse, and the in-list search.

#include "catalogue_fixture.h"

#include "platform/events.h"

namespace tb::test {
namespace {

class SearchAidsTest : public CatalogueTest {
protected:
    void typeKeyword(const char* utf8) {
        keywordBox.setText(L(utf8));
        aids->FetchSuggestions();
    }
    // The suggestion list shows one item, selected.
    void pickSuggestion(const char* text) {
        suggestions.items = {{text, 0}};
        suggestions.selected = 0;
    }
    // A key in the suggestion list: the handler first, then the list's own movement.
    void suggestionKey(int key) {
        aids->SuggestionKey(key);
        if (key == kKeyUp && suggestions.selected > 0) {
            --suggestions.selected;
        } else if (key == kKeyDown && suggestions.selected + 1 < suggestions.itemCount()) {
            ++suggestions.selected;
        }
    }
};

TEST_F(SearchAidsTest, SuggestionsFillTheListOrHideIt) {
    typeKeyword("hello");
    ASSERT_EQ(suggestions.itemCount(), 2);
    EXPECT_EQ(suggestions.items[0].text, "Alpha - hello there");
    EXPECT_EQ(suggestions.items[0].data, 0);
    EXPECT_EQ(suggestions.items[1].text, "Beta - HELLO AGAIN");
    EXPECT_EQ(suggestions.items[1].data, 1);
    EXPECT_TRUE(suggestions.visible);

    typeKeyword("抖音");
    ASSERT_EQ(suggestions.itemCount(), 1);
    EXPECT_EQ(suggestions.items[0].text, L("抖音 - 夜空"));

    typeKeyword("nothing like this");
    EXPECT_EQ(suggestions.itemCount(), 0);
    EXPECT_FALSE(suggestions.visible);

    typeKeyword("hello");
    server->setFaults({.nonJson = true, .pathPrefix = "", .skip = 0});
    typeKeyword("hello");
    EXPECT_EQ(suggestions.itemCount(), 0);
    EXPECT_FALSE(suggestions.visible);
}

TEST_F(SearchAidsTest, NewerSuggestionRequestTakesTheListOver) {
    bool typedAgain = false;
    platform::setPendingEventsHandler([&] {
        // A keystroke lands while the first answer is being added.
        if (!typedAgain && suggestions.itemCount() == 1) {
            typedAgain = true;
            typeKeyword("抖音");
        }
    });
    typeKeyword("e");
    ASSERT_TRUE(typedAgain);
    ASSERT_EQ(suggestions.itemCount(), 1);
    EXPECT_EQ(suggestions.items[0].text, L("抖音 - 夜空"));
    EXPECT_TRUE(suggestions.visible);
}

TEST_F(SearchAidsTest, AnswerArrivingAfterTheListWasHiddenStaysHidden) {
    // Each action hides the suggestions while a request for them is still on its way (here:
    // during the pause before it goes out); its late answer must not open the list again.
    const std::vector<std::pair<const char*, std::function<void()>>> hides = {
        {"Enter in the keyword box", [this] { aids->KeywordKey(kKeyEnter); }},
        {"Enter on a suggestion",
         [this] {
             pickSuggestion("Alpha - hello there");
             aids->SuggestionKey(kKeyEnter);
         }},
        {"mouse on a suggestion",
         [this] {
             pickSuggestion("Alpha - hello there");
             aids->TakeSuggestionByMouse();
         }},
        {"result list focused", [this] { aids->OnResultListFocused(); }},
        {"get-list button", [this] { aids->GetListCommand(); }},
    };
    for (const auto& [what, hide] : hides) {
        bool hidden = false;
        platform::setWaitHandler([&](int) {
            if (!hidden) {
                hidden = true;
                hide();
            }
        });
        typeKeyword("hello");
        EXPECT_TRUE(hidden) << what;
        EXPECT_FALSE(suggestions.visible) << what;
    }
    platform::setWaitHandler({});
    typeKeyword("hello");
    EXPECT_TRUE(suggestions.visible);
}

TEST_F(SearchAidsTest, SuggestionKeywordGoesOutAsTypedWithUnsafeBytesEscaped) {
    std::vector<std::size_t> requestsAtWait;
    platform::setWaitHandler([&](int ms) {
        EXPECT_EQ(ms, 20);
        requestsAtWait.push_back(requestsTo("/getSearchTip").size());
    });
    typeKeyword("R&B 抖音#1");
    EXPECT_EQ(requestsAtWait, std::vector<std::size_t>{0});
    const auto requests = requestsTo("/getSearchTip");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "/getSearchTip?MusicTipCount=20&MVTipCount=2&albumcount=2"
                           "&keyword=R&B%20%E6%8A%96%E9%9F%B3%231");
}

TEST_F(SearchAidsTest, ArrowKeysMoveBetweenKeywordBoxAndSuggestions) {
    typeKeyword("e");
    ASSERT_EQ(suggestions.itemCount(), 3);
    aids->KeywordKey(kKeyDown);
    EXPECT_TRUE(suggestions.focused);
    EXPECT_EQ(suggestions.selected, 0);

    suggestionKey(kKeyDown);
    suggestionKey(kKeyDown);
    EXPECT_EQ(suggestions.selected, 2);
    suggestionKey(kKeyUp);
    EXPECT_FALSE(aids->atTopOfSuggestions());
    suggestionKey(kKeyUp); // from the second item to the first: armed
    EXPECT_EQ(suggestions.selected, 0);
    EXPECT_TRUE(aids->atTopOfSuggestions());
    EXPECT_EQ(keywordBox.focusCount, 0);
    suggestionKey(kKeyUp); // back to the keyword box, its text selected for overwriting
    EXPECT_EQ(keywordBox.focusCount, 1);
    EXPECT_EQ(keywordBox.selectionStart, 0);
    EXPECT_EQ(keywordBox.selectionLength, 1);
    EXPECT_FALSE(aids->atTopOfSuggestions());

    suggestions.selected = 1;
    suggestionKey(kKeyUp);
    EXPECT_TRUE(aids->atTopOfSuggestions());
    suggestionKey(kKeyDown);
    EXPECT_FALSE(aids->atTopOfSuggestions());
}

TEST_F(SearchAidsTest, EnterOnSuggestionSearchesWithoutTheButton) {
    keywordBox.onChange = [this] { aids->FetchSuggestions(); };
    typeKeyword("hello");
    suggestions.selected = 1;
    suggestionKey(kKeyEnter);
    EXPECT_EQ(keywordBox.text(), "Beta - HELLO AGAIN");
    EXPECT_FALSE(suggestions.visible); // the hide after the text change wins
    EXPECT_TRUE(button.captions.empty());
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cell(0, kColName), "Beta - HELLO AGAIN");
}

TEST_F(SearchAidsTest, MouseOnSuggestionSearchesThroughTheButtonCommand) {
    keywordBox.onChange = [this] { aids->FetchSuggestions(); };
    typeKeyword("抖音");
    suggestions.selected = 0;
    aids->TakeSuggestionByMouse();
    EXPECT_EQ(keywordBox.text(), L("抖音 - 夜空"));
    EXPECT_FALSE(suggestions.visible);
    EXPECT_EQ(button.captions, (std::vector<std::string>{L("获取中……"), L("获取列表")}));
    ASSERT_EQ(list.rowCount(), 1);

    keywordBox.onChange = nullptr;
    suggestions.clearItems(); // nothing selected: the empty keyword is searched
    aids->TakeSuggestionByMouse();
    EXPECT_EQ(keywordBox.text(), "");
    EXPECT_EQ(list.rowCount(), 4);

    suggestions.visible = true;
    aids->KeywordKey(kKeyEnter);
    EXPECT_FALSE(suggestions.visible);
    suggestions.visible = true;
    aids->OnResultListFocused();
    EXPECT_FALSE(suggestions.visible);
}

TEST_F(SearchAidsTest, FindInListSelectsTheFirstRowContainingTheText) {
    keywordBox.setText(""); // every song
    search->GetListCommand();
    ASSERT_EQ(list.rowCount(), 4);

    listSearchBox.setText("HeLLo");
    aids->FindInList();
    EXPECT_EQ(list.selectedRow(), 0);
    EXPECT_EQ(list.lastVisible(), 0);
    EXPECT_EQ(list.focusCount(), 1);
    aids->FindInList(); // every search starts again at the top
    EXPECT_EQ(list.selectedRow(), 0);

    listSearchBox.setText("again");
    aids->FindInList();
    EXPECT_EQ(list.selectedRow(), 1);
    listSearchBox.setText(L("夜空"));
    aids->FindInList();
    EXPECT_EQ(list.selectedRow(), 2);

    listSearchBox.setText("absent");
    aids->FindInList();
    EXPECT_EQ(list.selectedRow(), 2);
    EXPECT_EQ(list.focusCount(), 4);

    aids->OnListSearchBoxPressed();
    EXPECT_EQ(listSearchBox.text(), "");
    aids->FindInList();
    EXPECT_EQ(listSearchBox.text(), L("搜你喜欢~"));
    aids->OnListSearchBoxPressed();
    EXPECT_EQ(listSearchBox.text(), "");
}

} // namespace
} // namespace tb::test
