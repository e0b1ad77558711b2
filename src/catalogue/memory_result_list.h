#pragma once
// A ResultList over rows in memory, for the programs and tests that run the core without a
// window. Thread-safe: the download worker writes rows from the engine's threads while
// the caller reads them.

#include "catalogue/result_list.h"

#include <array>
#include <mutex>
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

} // namespace tb
