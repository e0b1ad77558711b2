#pragma once
// The report list control: one row per song, a check box in the first column, clickable
// column headers, whole-row single selection.

#include <QTreeView>

namespace tb::app {

class ResultListModel;

class ReportList : public QTreeView {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

    ResultListModel& rows() const { return *m_rows; }
    // Shown in the middle of the list while it has no rows; empty shows nothing.
    void setEmptyText(const QString& text);
    QString emptyText() const { return m_emptyText; }

signals:
    void focusReceived();
    void rightButtonReleased();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUpColumns();

    ResultListModel* m_rows;
    QString m_emptyText;
};

} // namespace tb::app
