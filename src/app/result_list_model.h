#pragma once
// The rows of the result list: one song and one download state per row, and a tick. The
// cell texts are made from these values when they are read; the texts the view shows in
// local script are converted once per row and kept.
//
// A search hands its songs over in one step (appendSongs). Rows appended one at a time are
// stored at once, but views learn about them in batches at most every kShowIntervalMs: a
// view that relaid itself out for every single row would make filling a long list row by
// row quadratic.

#include "catalogue/result_list.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <string>
#include <vector>

namespace tb::app {

class ResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kShowIntervalMs = 100;

    explicit ResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The row store: every row, whether the views know it yet or not.
    int storedRowCount() const { return static_cast<int>(m_rows.size()); }
    void clearRows();
    int appendRow();
    // Appends the songs and announces them to the views at once.
    void appendSongs(std::vector<Song> songs);
    // The cell texts as the core reads and writes them (see ResultList). Column 0 always
    // reads the row's position and the time and size columns follow the seconds and bytes
    // columns, so writes to those three columns change nothing.
    std::string cell(int row, int column) const;
    void setCell(int row, int column, const std::string& text);
    void setRowStatus(int row, RowStatus status);
    void setProgress(int row, const DownloadProgress& progress);
    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    // Announces every stored row to the views now.
    void showPendingRows();

private:
    struct Row {
        Song song;
        RowState state;
        bool ticked = false;
        // Display forms of the columns in local script, made on first use.
        mutable QString shownName;
        mutable QString shownStatus;
        mutable bool nameConverted = false;
        mutable bool statusConverted = false;
    };

    QString displayText(const Row& row, int position, int column) const;
    void changed(int row, int column, const QList<int>& roles);
    bool stored(int row, int column) const;
    bool shown(int row) const { return row >= 0 && row < m_shownRows; }

    std::vector<Row> m_rows;
    int m_shownRows = 0;
    QTimer m_showTimer;
    QElapsedTimer m_sinceShown;
};

} // namespace tb::app
