#pragma once
// The result list the core works on, over the window's report list.

#include "catalogue/result_list.h"

namespace tb::app {

class ReportList;

class WindowResultList : public ResultList {
public:
    explicit WindowResultList(ReportList& view) : m_view(view) {}

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
    void focus() override;
    void setEmptyText(const std::string& text) override;
    void appendSongs(std::vector<Song> songs) override;
    void setRowStatus(int row, RowStatus status) override;
    void setProgress(int row, const DownloadProgress& progress) override;

private:
    ReportList& m_view;
};

} // namespace tb::app
