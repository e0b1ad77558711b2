#pragma once
// The rows of the result list: eleven local-text cells and a tick per row.
//
// Rows are stored at once, but views learn about appended rows in batches at most every
// kShowIntervalMs: a search appends rows one at a time and lets the window process its
// events after each, and a view that relaid itself out for every single row would make
// filling a long list quadratic.

#include "catalogue/result_list.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>

#include <array>
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
    std::string cell(int row, int column) const;
    void setCell(int row, int column, const std::string& text);
    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    // Announces every stored row to the views now.
    void showPendingRows();

private:
    struct Row {
        std::array<std::string, kResultColumnCount> cells;
        bool ticked = false;
    };

    bool stored(int row, int column) const;
    bool shown(int row) const { return row >= 0 && row < m_shownRows; }

    std::vector<Row> m_rows;
    int m_shownRows = 0;
    QTimer m_showTimer;
    QElapsedTimer m_sinceShown;
};

} // namespace tb::app
