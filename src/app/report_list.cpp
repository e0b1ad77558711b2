#include "app/report_list.h"

#include "app/index_cell_delegate.h"
#include "app/result_list_model.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

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
    setItemDelegateForColumn(kColIndex, new IndexCellDelegate(this));
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

void ReportList::setEmptyText(const QString& text) {
    m_emptyText = text;
    viewport()->update();
}

void ReportList::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_emptyText.isEmpty() || m_rows->rowCount() > 0) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter, m_emptyText);
}

} // namespace tb::app
