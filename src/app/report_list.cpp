#include "app/report_list.h"

#include "app/result_list_model.h"

#include <QHeaderView>
#include <QMouseEvent>

#include <array>

namespace tb::app {
namespace {

// Initial column widths; a width of 0 marks a hidden column that only carries data.
constexpr std::array<int, kResultColumnCount> kColumnWidths = {50, 180, 0,  0, 0, 100,
                                                               80, 50,  50, 0, 0};

} // namespace

ReportList::ReportList(QWidget* parent) : QTreeView(parent), m_rows(new ResultListModel(this)) {
    setModel(m_rows);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUpColumns();
}

void ReportList::setUpColumns() {
    QHeaderView* columns = header();
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
    columns->setMinimumSectionSize(0);
    for (int column = 0; column < kResultColumnCount; ++column) {
        const int width = kColumnWidths[static_cast<std::size_t>(column)];
        columns->resizeSection(column, width);
        columns->setSectionHidden(column, width == 0);
    }
}

void ReportList::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    emit focusReceived();
}

void ReportList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) {
        emit rightButtonReleased();
    }
}

} // namespace tb::app
