#pragma once
// The controls of the search area as the catalogue core sees them. The application
// implements them over its widgets; tests implement them over plain values. All texts are
// local text; indices are 0-based.

#include <string>

namespace tb {

class ResultList;

// `编辑框_输入`, the keyword box. Setting its text is a content change like typing, so the
// application runs the suggestion request for it.
class KeywordBox {
public:
    virtual ~KeywordBox() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    // Selects `length` bytes from byte position `start`.
    virtual void select(int start, int length) = 0;
    virtual void focus() = 0;
};

// `按钮_获取`, the get-list button.
class GetListButton {
public:
    virtual ~GetListButton() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setCaption(const std::string& caption) = 0;
};

// `列表框_预热`, the drop-down list of search suggestions.
class SuggestionList {
public:
    virtual ~SuggestionList() = default;
    virtual void clearItems() = 0;
    virtual void addItem(const std::string& text, int data) = 0;
    virtual int itemCount() const = 0;
    virtual std::string itemText(int index) const = 0;
    // The selected item, or -1.
    virtual int selectedIndex() const = 0;
    virtual void setSelectedIndex(int index) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void focus() = 0;
};

// `编辑框_搜`, the in-list search box.
class ListSearchBox {
public:
    virtual ~ListSearchBox() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
};

// The controls one SongSearch works on; they outlive it.
struct SearchControls {
    KeywordBox& keywordBox;
    GetListButton& getListButton;
    SuggestionList& suggestions;
    ListSearchBox& listSearchBox;
    ResultList& resultList;
};

} // namespace tb
