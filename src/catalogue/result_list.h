#pragma once
// The result list as the core sees it: the list operations of the song list, with local
// text cells. The application implements it over the window's report list (which keeps songs
// and row states as values and makes the cell texts from them); tests implement it over
// plain rows. Rows and columns are 0-based.

#include "catalogue/row_state.h"
#include "catalogue/song.h"

#include <string>
#include <vector>

namespace tb {

// Columns of a result row.
enum ResultColumn : int {
    kColIndex = 0,      // "索引"
    kColName = 1,       // "歌名 [点击全选]"
    kColHash = 2,       // "hash"
    kColAlbumId = 3,    // "album_id"
    kColUrl = 4,        // "URL": play-information address
    kColProgress = 5,   // "已下载进度"
    kColStatus = 6,     // "下载状态"
    kColDuration = 7,   // "时间"
    kColSize = 8,       // "大小"
    kColRawSeconds = 9, // "源时间"
    kColRawBytes = 10,  // "源大小"
    kResultColumnCount = 11
};

class ResultList {
public:
    virtual ~ResultList() = default;

    virtual int rowCount() const = 0;
    virtual void clearRows() = 0;
    // Appends an empty row and returns its position.
    virtual int appendRow() = 0;
    virtual std::string cell(int row, int column) const = 0;
    virtual void setCell(int row, int column, const std::string& text) = 0;
    virtual bool isTicked(int row) const = 0;
    virtual void setTicked(int row, bool ticked) = 0;
    // The selected row, or -1.
    virtual int selectedRow() const = 0;
    virtual void selectRow(int row) = 0;
    virtual void ensureVisible(int row) = 0;
    virtual void focus() = 0;
    // The text the list shows in place of rows while it has none ("没有找到歌曲" after a
    // search that found nothing); empty for a plain empty list. Lists that cannot show it
    // ignore it.
    virtual void setEmptyText(const std::string& text) { (void)text; }

    // Appends one row per song, in order: its position, the song's columns, empty download
    // columns, unticked. Lists that keep values take the songs in one step.
    virtual void appendSongs(std::vector<Song> songs);
    // The download columns of a row as values; lists of text cells get their texts.
    virtual void setRowStatus(int row, RowStatus status) {
        setCell(row, kColStatus, StatusKindText(status));
    }
    virtual void setProgress(int row, const DownloadProgress& progress) {
        setCell(row, kColProgress, ProgressText(progress));
    }
};

// The cell text of a song's column (0 to 4 and 7 to 10) in the row at `row`.
inline std::string SongCellText(const Song& song, int row, int column) {
    switch (column) {
    case kColIndex:
        return std::to_string(row);
    case kColName:
        return song.name;
    case kColHash:
        return song.hash;
    case kColAlbumId:
        return song.albumId;
    case kColUrl:
        return song.playInfoAddress;
    case kColDuration:
        return SongDurationText(song);
    case kColSize:
        return SongSizeText(song);
    case kColRawSeconds:
        return OptionalNumberText(song.seconds);
    case kColRawBytes:
        return OptionalNumberText(song.bytes);
    default:
        return {};
    }
}

inline void ResultList::appendSongs(std::vector<Song> songs) {
    static constexpr int kSongColumns[] = {kColIndex,   kColName,       kColHash,
                                           kColAlbumId, kColUrl,        kColDuration,
                                           kColSize,    kColRawSeconds, kColRawBytes};
    for (const Song& song : songs) {
        const int row = appendRow();
        for (const int column : kSongColumns) {
            setCell(row, column, SongCellText(song, row, column));
        }
    }
}

} // namespace tb
