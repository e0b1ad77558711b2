#pragma once
// Plain implementations of the search-area controls and a fixture that runs the stand-in
// catalogue on loopback with a small song set, for the catalogue core tests.

#include "catalogue/search_aids.h"
#include "catalogue/song_search.h"
#include "data/local_text.h"
#include "platform/prompt.h"
#include "standin_server.h"
#include "support/plain_result_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tb::test {

class PlainKeywordBox : public KeywordBox {
public:
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override {
        m_text = text;
        if (onChange) {
            onChange();
        }
    }
    void select(int start, int length) override {
        selectionStart = start;
        selectionLength = length;
    }
    void focus() override { ++focusCount; }

    std::function<void()> onChange; // what the window runs on a content change
    int selectionStart = -1;
    int selectionLength = -1;
    int focusCount = 0;

private:
    std::string m_text;
};

class PlainGetListButton : public GetListButton {
public:
    void setEnabled(bool enabled) override { this->enabled = enabled; }
    void setCaption(const std::string& caption) override {
        this->caption = caption;
        captions.push_back(caption);
    }
    bool enabled = true;
    std::string caption;
    std::vector<std::string> captions;
};

class PlainSuggestionList : public SuggestionList {
public:
    struct Item {
        std::string text;
        int data;
    };
    void clearItems() override {
        items.clear();
        selected = -1;
    }
    void addItem(const std::string& text, int data) override { items.push_back({text, data}); }
    int itemCount() const override { return static_cast<int>(items.size()); }
    std::string itemText(int index) const override {
        return index >= 0 && index < itemCount() ? items[index].text : std::string();
    }
    int selectedIndex() const override { return selected; }
    void setSelectedIndex(int index) override { selected = index; }
    void setVisible(bool visible) override { this->visible = visible; }
    void focus() override { focused = true; }

    std::vector<Item> items;
    int selected = -1;
    bool visible = false;
    bool focused = false;
};

class PlainListSearchBox : public ListSearchBox {
public:
    std::string text() const override { return value; }
    void setText(const std::string& text) override { value = text; }
    std::string value;
};

// Answers every box with OK and keeps the texts it was shown.
class RecordingPrompt : public platform::Prompt {
public:
    platform::PromptAnswer ask(const std::string& text, const std::string&,
                               platform::PromptButtons) override {
        texts.push_back(text);
        return platform::PromptAnswer::Ok;
    }
    std::vector<std::string> texts;
};

// UTF-8 literal -> local text.
inline std::string L(const char* utf8) {
    return Utf8ToLocal(utf8);
}

// Songs of the test catalogue: two "Hello"s in different letter case, a Chinese name,
// and a song that has no audio address.
standin::SongCatalogue TestCatalogue();

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<std::string> requestsTo(const std::string& pathPrefix) const;
    // The row's eleven cells.
    std::vector<std::string> rowCells(int row) const;

    std::unique_ptr<standin::StandinServer> server;
    std::string base;
    PlainKeywordBox keywordBox;
    PlainGetListButton button;
    PlainSuggestionList suggestions;
    PlainListSearchBox listSearchBox;
    PlainResultList list;
    std::unique_ptr<SongSearch> search;
    std::unique_ptr<SearchAids> aids;
    std::shared_ptr<RecordingPrompt> prompt;
};

} // namespace tb::test
