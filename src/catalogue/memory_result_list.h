#pragma once
// A ResultList over rows in memory, for the programs and tests that run the core without a
// window. Thread-safe: the download worker writes rows from the engine's threads while the
// caller reads them. Header only, like the interface, so the engine's tests need no
// catalogue library.

#include "catalogue/result_list.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace tb {

class MemoryResultList : public ResultList {
public:
    int rowCount() const override;
    void clearRows() override;
    int appendRow() override;
    std::string cell(int row, int column) const override;
    void setCell(int row, int column, const std::string& text) override;
    bool isTicked(int row) const override;
    void setTicked(int row, bool ticked) override;
    int selectedRow() const override;
    void selectRow(int row) override;
    void ensureVisible(int row) override;
    void focus() override {}
    void setEmptyText(const std::string& text) override;

    // The row last made visible, or -1.
    int lastVisible() const;
    std::string emptyText() const;

private:
    struct Row {
        std::array<std::string, kResultColumnCount> cells;
        bool ticked = false;
    };
    bool valid(int row, int column) const;

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows;
    int m_selected = -1;
    int m_lastVisible = -1;
    std::string m_emptyText;
};

inline int MemoryResultList::rowCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

inline void MemoryResultList::clearRows() {
    std::lock_guard lock(m_mutex);
    m_rows.clear();
    m_selected = -1;
}

inline int MemoryResultList::appendRow() {
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    return static_cast<int>(m_rows.size()) - 1;
}

inline std::string MemoryResultList::cell(int row, int column) const {
    std::lock_guard lock(m_mutex);
    return valid(row, column) ? m_rows[row].cells[column] : std::string();
}

inline void MemoryResultList::setCell(int row, int column, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (valid(row, column)) {
        m_rows[row].cells[column] = text;
    }
}

inline bool MemoryResultList::isTicked(int row) const {
    std::lock_guard lock(m_mutex);
    return valid(row, 0) && m_rows[row].ticked;
}

inline void MemoryResultList::setTicked(int row, bool ticked) {
    std::lock_guard lock(m_mutex);
    if (valid(row, 0)) {
        m_rows[row].ticked = ticked;
    }
}

inline int MemoryResultList::selectedRow() const {
    std::lock_guard lock(m_mutex);
    return m_selected;
}

inline void MemoryResultList::selectRow(int row) {
    std::lock_guard lock(m_mutex);
    m_selected = row;
}

inline void MemoryResultList::ensureVisible(int row) {
    std::lock_guard lock(m_mutex);
    m_lastVisible = row;
}

inline void MemoryResultList::setEmptyText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_emptyText = text;
}

inline int MemoryResultList::lastVisible() const {
    std::lock_guard lock(m_mutex);
    return m_lastVisible;
}

inline std::string MemoryResultList::emptyText() const {
    std::lock_guard lock(m_mutex);
    return m_emptyText;
}

inline bool MemoryResultList::valid(int row, int column) const {
    return row >= 0 && row < static_cast<int>(m_rows.size()) && column >= 0 &&
           column < kResultColumnCount;
}

} // namespace tb
