#pragma once
// A ResultList over plain rows, for core tests that need no window. Thread-safe, so engine
// threads and the test thread may both touch it.

#include "catalogue/result_list.h"

#include <array>
#include <mutex>
#include <vector>

namespace tb::test {

class PlainResultList : public ResultList {
public:
    struct Row {
        std::array<std::string, kResultColumnCount> cells;
        bool ticked = false;
    };

    int rowCount() const override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_rows.size());
    }
    void clearRows() override {
        std::lock_guard lock(m_mutex);
        m_rows.clear();
        m_selected = -1;
        ++m_clearCount;
    }
    int appendRow() override {
        std::lock_guard lock(m_mutex);
        m_rows.emplace_back();
        return static_cast<int>(m_rows.size()) - 1;
    }
    std::string cell(int row, int column) const override {
        std::lock_guard lock(m_mutex);
        return valid(row, column) ? m_rows[row].cells[column] : std::string();
    }
    void setCell(int row, int column, const std::string& text) override {
        std::lock_guard lock(m_mutex);
        if (valid(row, column)) {
            m_rows[row].cells[column] = text;
        }
    }
    bool isTicked(int row) const override {
        std::lock_guard lock(m_mutex);
        return valid(row, 0) && m_rows[row].ticked;
    }
    void setTicked(int row, bool ticked) override {
        std::lock_guard lock(m_mutex);
        if (valid(row, 0)) {
            m_rows[row].ticked = ticked;
        }
    }
    int selectedRow() const override {
        std::lock_guard lock(m_mutex);
        return m_selected;
    }
    void selectRow(int row) override {
        std::lock_guard lock(m_mutex);
        m_selected = row;
    }
    void ensureVisible(int row) override {
        std::lock_guard lock(m_mutex);
        m_lastVisible = row;
    }
    void focus() override {
        std::lock_guard lock(m_mutex);
        ++m_focusCount;
    }
    void setEmptyText(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_emptyText = text;
    }

    int lastVisible() const {
        std::lock_guard lock(m_mutex);
        return m_lastVisible;
    }
    int focusCount() const {
        std::lock_guard lock(m_mutex);
        return m_focusCount;
    }
    int clearCount() const {
        std::lock_guard lock(m_mutex);
        return m_clearCount;
    }
    std::string emptyText() const {
        std::lock_guard lock(m_mutex);
        return m_emptyText;
    }

private:
    bool valid(int row, int column) const {
        return row >= 0 && row < static_cast<int>(m_rows.size()) && column >= 0 &&
               column < kResultColumnCount;
    }

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_lastVisible = -1;
    int m_focusCount = 0;
    int m_clearCount = 0;
    std::string m_emptyText;
};

} // namespace tb::test
