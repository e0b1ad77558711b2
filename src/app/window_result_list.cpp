#include "app/window_result_list.h"

#include "app/report_list.h"
#include "app/result_list_model.h"
#include "data/qt_local_text.h"

#include <QItemSelectionModel>

namespace tb::app {

int WindowResultList::rowCount() const {
    return m_view.rows().storedRowCount();
}

void WindowResultList::clearRows() {
    m_view.rows().clearRows();
}

int WindowResultList::appendRow() {
    return m_view.rows().appendRow();
}

std::string WindowResultList::cell(int row, int column) const {
    return m_view.rows().cell(row, column);
}

void WindowResultList::setCell(int row, int column, const std::string& text) {
    m_view.rows().setCell(row, column, text);
}

void WindowResultList::appendSongs(std::vector<Song> songs) {
    m_view.rows().appendSongs(std::move(songs));
}

void WindowResultList::setRowStatus(int row, RowStatus status) {
    m_view.rows().setRowStatus(row, status);
}

void WindowResultList::setProgress(int row, const DownloadProgress& progress) {
    m_view.rows().setProgress(row, progress);
}

bool WindowResultList::isTicked(int row) const {
    return m_view.rows().isTicked(row);
}

void WindowResultList::setTicked(int row, bool ticked) {
    m_view.rows().setTicked(row, ticked);
}

int WindowResultList::selectedRow() const {
    const QModelIndexList selected = m_view.selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void WindowResultList::selectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        m_view.selectionModel()->clearSelection();
        return;
    }
    m_view.rows().showPendingRows();
    const QModelIndex target = m_view.rows().index(row, 0);
    m_view.selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
}

void WindowResultList::ensureVisible(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_view.rows().showPendingRows();
    m_view.scrollTo(m_view.rows().index(row, 0));
}

void WindowResultList::focus() {
    m_view.setFocus(Qt::OtherFocusReason);
}

void WindowResultList::setEmptyText(const std::string& text) {
    m_view.setEmptyText(LocalToQString(text));
}

} // namespace tb::app
