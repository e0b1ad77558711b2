// The search area's events: the catalogue client's search, suggestions and in-list search
// over the main window's controls.

#include "app/search_operations.h"

#include "app/main_window.h"
#include "catalogue/search_aids.h"
#include "data/qt_local_text.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tb::app {
namespace {

class LineEditKeywordBox : public KeywordBox {
public:
    explicit LineEditKeywordBox(QLineEdit& edit) : m_edit(edit) {}
    std::string text() const override { return QStringToLocal(m_edit.text()); }
    void setText(const std::string& text) override { m_edit.setText(LocalToQString(text)); }
    // Byte positions of the local text become character positions of the box.
    void select(int start, int length) override {
        const std::string local = text();
        const auto characters = [&local](int bytes) {
            return static_cast<int>(LocalToQString(local.substr(0, bytes)).size());
        };
        const int from = characters(start);
        m_edit.setSelection(from, characters(start + length) - from);
    }
    void focus() override { m_edit.setFocus(); }

private:
    QLineEdit& m_edit;
};

class PushButtonGetList : public GetListButton {
public:
    explicit PushButtonGetList(QPushButton& button) : m_button(button) {}
    void setEnabled(bool enabled) override { m_button.setEnabled(enabled); }
    void setCaption(const std::string& caption) override {
        m_button.setText(LocalToQString(caption));
    }

private:
    QPushButton& m_button;
};

class ListWidgetSuggestions : public SuggestionList {
public:
    explicit ListWidgetSuggestions(QListWidget& list) : m_list(list) {}
    void clearItems() override { m_list.clear(); }
    void addItem(const std::string& text, int data) override {
        auto* item = new QListWidgetItem(LocalToQString(text));
        item->setData(Qt::UserRole, data);
        m_list.addItem(item);
    }
    int itemCount() const override { return m_list.count(); }
    std::string itemText(int index) const override {
        const QListWidgetItem* item = m_list.item(index);
        return item ? QStringToLocal(item->text()) : std::string();
    }
    int selectedIndex() const override { return m_list.currentRow(); }
    void setSelectedIndex(int index) override { m_list.setCurrentRow(index); }
    void setVisible(bool visible) override { m_list.setVisible(visible); }
    // A hidden list would keep the focus reserved and take it from the keyword box as soon
    // as suggestions show up, so the keystrokes typed next would land in the list.
    void focus() override {
        if (m_list.isVisible()) {
            m_list.setFocus();
        }
    }

private:
    QListWidget& m_list;
};

class LineEditListSearch : public ListSearchBox {
public:
    explicit LineEditListSearch(QLineEdit& edit) : m_edit(edit) {}
    std::string text() const override { return QStringToLocal(m_edit.text()); }
    void setText(const std::string& text) override { m_edit.setText(LocalToQString(text)); }

private:
    QLineEdit& m_edit;
};

} // namespace

// The search state of one main window, made on its first search event.
class WindowSearch {
public:
    explicit WindowSearch(MainWindow& window)
        : keywordBox(*window.编辑框_输入), button(*window.按钮_获取),
          suggestions(*window.列表框_预热), listSearch(*window.编辑框_搜),
          search(SearchControls{keywordBox, button, suggestions, listSearch, window.resultList()},
                 ConfiguredCatalogueHosts()),
          aids(search) {}

    LineEditKeywordBox keywordBox;
    PushButtonGetList button;
    ListWidgetSuggestions suggestions;
    LineEditListSearch listSearch;
    SongSearch search;
    SearchAids aids;
};

void DestroyWindowObject(WindowSearch* object) {
    delete object;
}

namespace {

SearchAids& aidsOf(MainWindow& window) {
    WindowObject<WindowSearch>& object = window.searchObject();
    if (!object) {
        object.reset(new WindowSearch(window));
    }
    return object->aids;
}

// Qt key codes -> the key codes the catalogue handlers know; 0 for other keys.
int catalogueKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Down:
        return kKeyDown;
    default:
        return 0;
    }
}

} // namespace

void GetListCommand(MainWindow& window) {
    aidsOf(window).GetListCommand();
}
void FetchSuggestions(MainWindow& window) {
    aidsOf(window).FetchSuggestions();
}
void KeywordKey(MainWindow& window, int key) {
    aidsOf(window).KeywordKey(catalogueKey(key));
}
void SuggestionKey(MainWindow& window, int key) {
    aidsOf(window).SuggestionKey(catalogueKey(key));
}
void TakeSuggestionByMouse(MainWindow& window) {
    aidsOf(window).TakeSuggestionByMouse();
}
void FindInList(MainWindow& window) {
    aidsOf(window).FindInList();
}
void ClearSearchBox(MainWindow& window) {
    aidsOf(window).OnListSearchBoxPressed();
}
void HideSuggestions(MainWindow& window) {
    aidsOf(window).OnResultListFocused();
}

} // namespace tb::app
