#include "app/result_list_model.h"

#include "data/qt_local_text.h"

namespace tb::app {
namespace {

const std::array<const char*, kResultColumnCount> kHeaders = {
    "索引", "歌名 [点击全选]", "hash",  "album_id", "URL", "已下载进度", "下载状态", "时间",
    "大小", "源时间",          "源大小"};

} // namespace

ResultListModel::ResultListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &ResultListModel::showPendingRows);
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kResultColumnCount;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !shown(index.row())) {
        return {};
    }
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return LocalToQString(row.cells[static_cast<std::size_t>(index.column())]);
    }
    if (role == Qt::CheckStateRole && index.column() == kColIndex) {
        return row.ticked ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

bool ResultListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !shown(index.row()) || index.column() != kColIndex ||
        role != Qt::CheckStateRole) {
        return false;
    }
    setTicked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kColIndex) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kResultColumnCount) {
        return {};
    }
    return QString::fromUtf8(kHeaders[static_cast<std::size_t>(section)]);
}

void ResultListModel::clearRows() {
    m_showTimer.stop();
    beginResetModel();
    m_rows.clear();
    m_shownRows = 0;
    endResetModel();
}

int ResultListModel::appendRow() {
    m_rows.emplace_back();
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= kShowIntervalMs) {
        showPendingRows();
    } else if (!m_showTimer.isActive()) {
        m_showTimer.start(kShowIntervalMs - static_cast<int>(m_sinceShown.elapsed()));
    }
    return storedRowCount() - 1;
}

std::string ResultListModel::cell(int row, int column) const {
    return stored(row, column)
               ? m_rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)]
               : std::string();
}

void ResultListModel::setCell(int row, int column, const std::string& text) {
    if (!stored(row, column)) {
        return;
    }
    m_rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
    if (shown(row)) {
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
    }
}

bool ResultListModel::isTicked(int row) const {
    return stored(row, 0) && m_rows[static_cast<std::size_t>(row)].ticked;
}

void ResultListModel::setTicked(int row, bool ticked) {
    if (!stored(row, 0) || m_rows[static_cast<std::size_t>(row)].ticked == ticked) {
        return;
    }
    m_rows[static_cast<std::size_t>(row)].ticked = ticked;
    if (shown(row)) {
        const QModelIndex changed = index(row, kColIndex);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void ResultListModel::showPendingRows() {
    m_showTimer.stop();
    m_sinceShown.start();
    const int total = storedRowCount();
    if (total <= m_shownRows) {
        return;
    }
    beginInsertRows(QModelIndex(), m_shownRows, total - 1);
    m_shownRows = total;
    endInsertRows();
}

bool ResultListModel::stored(int row, int column) const {
    return row >= 0 && row < storedRowCount() && column >= 0 && column < kResultColumnCount;
}

} // namespace tb::app
