#include "app/result_list_model.h"

#include "data/qt_local_text.h"

#include <algorithm>
#include <array>

namespace tb::app {
namespace {

const std::array<const char*, kResultColumnCount> kHeaders = {
    "索引", "歌名 [点击全选]", "hash",  "album_id", "URL", "已下载进度", "下载状态", "时间",
    "大小", "源时间",          "源大小"};

const QList<int> kTextRoles = {Qt::DisplayRole, Qt::ToolTipRole};

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII text (numbers, sizes, hashes, progress) needs no code-page conversion.
QString shownText(const std::string& local) {
    return isAscii(local) ? QString::fromLatin1(local.data(), static_cast<qsizetype>(local.size()))
                          : LocalToQString(local);
}

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
        return displayText(row, index.row(), index.column());
    }
    if (role == Qt::CheckStateRole && index.column() == kColIndex) {
        return row.ticked ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

QString ResultListModel::displayText(const Row& row, int position, int column) const {
    switch (column) {
    case kColIndex:
        return QString::number(position);
    case kColName:
        if (!row.nameConverted) {
            row.shownName = shownText(row.song.name);
            row.nameConverted = true;
        }
        return row.shownName;
    case kColStatus:
        if (!row.statusConverted) {
            row.shownStatus = shownText(StatusCellText(row.state));
            row.statusConverted = true;
        }
        return row.shownStatus;
    case kColProgress:
        return shownText(ProgressCellText(row.state));
    default:
        return shownText(SongCellText(row.song, position, column));
    }
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
    m_rows.shrink_to_fit(); // a long list's rows are not kept for a short one
    m_shownRows = 0;
    endResetModel();
}

int ResultListModel::appendRow() {
    Row& row = m_rows.emplace_back();
    row.song.origin = SongOrigin::SharePage; // no time or size until its numbers are written
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= kShowIntervalMs) {
        showPendingRows();
    } else if (!m_showTimer.isActive()) {
        m_showTimer.start(kShowIntervalMs - static_cast<int>(m_sinceShown.elapsed()));
    }
    return storedRowCount() - 1;
}

void ResultListModel::appendSongs(std::vector<Song> songs) {
    showPendingRows();
    if (songs.empty()) {
        return;
    }
    const int first = storedRowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(songs.size()) - 1);
    m_rows.reserve(m_rows.size() + songs.size());
    for (Song& song : songs) {
        m_rows.push_back(Row{std::move(song), {}, false, {}, {}, false, false});
    }
    m_shownRows = storedRowCount();
    endInsertRows();
}

std::string ResultListModel::cell(int row, int column) const {
    if (!stored(row, column)) {
        return {};
    }
    const Row& stored = m_rows[static_cast<std::size_t>(row)];
    switch (column) {
    case kColProgress:
        return ProgressCellText(stored.state);
    case kColStatus:
        return StatusCellText(stored.state);
    default:
        return SongCellText(stored.song, row, column);
    }
}

void ResultListModel::setCell(int row, int column, const std::string& text) {
    if (!stored(row, column)) {
        return;
    }
    Row& target = m_rows[static_cast<std::size_t>(row)];
    Song& song = target.song;
    switch (column) {
    case kColName:
        song.name = text;
        target.nameConverted = false;
        break;
    case kColHash:
        song.hash = text;
        break;
    case kColAlbumId:
        song.albumId = text;
        break;
    case kColUrl:
        song.playInfoAddress = text;
        break;
    case kColProgress:
        target.state.progress.reset();
        target.state.progressText = text;
        break;
    case kColStatus:
        target.state.status = RowStatus::Text;
        target.state.statusText = text;
        target.statusConverted = false;
        break;
    case kColRawSeconds:
    case kColRawBytes:
        (column == kColRawSeconds ? song.seconds : song.bytes) = SongNumber(text);
        song.origin = SongOrigin::KeywordSearch;
        changed(row, column == kColRawSeconds ? kColDuration : kColSize, kTextRoles);
        break;
    default:
        return; // derived columns
    }
    changed(row, column, kTextRoles);
}

void ResultListModel::setRowStatus(int row, RowStatus status) {
    if (!stored(row, kColStatus)) {
        return;
    }
    Row& target = m_rows[static_cast<std::size_t>(row)];
    target.state.status = status;
    target.state.statusText.clear();
    target.statusConverted = false;
    changed(row, kColStatus, kTextRoles);
}

void ResultListModel::setProgress(int row, const DownloadProgress& progress) {
    if (!stored(row, kColProgress)) {
        return;
    }
    RowState& state = m_rows[static_cast<std::size_t>(row)].state;
    state.progress = progress;
    state.progressText.clear();
    changed(row, kColProgress, kTextRoles);
}

bool ResultListModel::isTicked(int row) const {
    return stored(row, 0) && m_rows[static_cast<std::size_t>(row)].ticked;
}

void ResultListModel::setTicked(int row, bool ticked) {
    if (!stored(row, 0) || m_rows[static_cast<std::size_t>(row)].ticked == ticked) {
        return;
    }
    m_rows[static_cast<std::size_t>(row)].ticked = ticked;
    changed(row, kColIndex, {Qt::CheckStateRole});
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

void ResultListModel::changed(int row, int column, const QList<int>& roles) {
    if (shown(row)) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, roles);
    }
}

bool ResultListModel::stored(int row, int column) const {
    return row >= 0 && row < storedRowCount() && column >= 0 && column < kResultColumnCount;
}

} // namespace tb::app
