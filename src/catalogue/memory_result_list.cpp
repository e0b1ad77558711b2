#include "catalogue/memory_result_list.h"

namespace tb {

int MemoryResultList::rowCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

void MemoryResultList::clearRows() {
    std::lock_guard lock(m_mutex);
    m_rows.clear();
    m_selected = -1;
}

int MemoryResultList::appendRow() {
    std::lock_guard lock(m_mutex);
    m_rows.emplace_back();
    return static_cast<int>(m_rows.size()) - 1;
}

std::string MemoryResultList::cell(int row, int column) const {
    std::lock_guard lock(m_mutex);
    return valid(row, column) ? m_rows[row].cells[column] : std::string();
}

void MemoryResultList::setCell(int row, int column, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (valid(row, column)) {
        m_rows[row].cells[column] = text;
    }
}

bool MemoryResultList::isTicked(int row) const {
    std::lock_guard lock(m_mutex);
    return valid(row, 0) && m_rows[row].ticked;
}

void MemoryResultList::setTicked(int row, bool ticked) {
    std::lock_guard lock(m_mutex);
    if (valid(row, 0)) {
        m_rows[row].ticked = ticked;
    }
}

int MemoryResultList::selectedRow() const {
    std::lock_guard lock(m_mutex);
    return m_selected;
}

void MemoryResultList::selectRow(int row) {
    std::lock_guard lock(m_mutex);
    m_selected = row;
}

void MemoryResultList::ensureVisible(int row) {
    std::lock_guard lock(m_mutex);
    m_lastVisible = row;
}

void MemoryResultList::setEmptyText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_emptyText = text;
}

int MemoryResultList::lastVisible() const {
    std::lock_guard lock(m_mutex);
    return m_lastVisible;
}

std::string MemoryResultList::emptyText() const {
    std::lock_guard lock(m_mutex);
    return m_emptyText;
}

bool MemoryResultList::valid(int row, int column) const {
    return row >= 0 && row < static_cast<int>(m_rows.size()) && column >= 0 &&
           column < kResultColumnCount;
}

} // namespace tb
