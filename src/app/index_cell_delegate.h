#pragma once
// Draws the first cell of a result row, the tick box and the row's number, with tight
// margins, so that row numbers up to 99,999 stay readable in the column's designed width.
// A number too wide for its room is drawn in a smaller font; one still too wide loses its
// leading digits ("…2345"), never its last ones.

#include <QStyledItemDelegate>

namespace tb::app {

class IndexCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Where the tick box and the number go inside a cell.
    struct Layout {
        QRect checkBox;
        QRect number;
    };
    static Layout layoutFor(const QStyleOptionViewItem& option);
    // The font the number is drawn in: the cell's, or a smaller one (down to three quarters
    // of its size) where the number would not fit; beyond that it loses leading digits.
    static QFont numberFont(const QStyleOptionViewItem& option, const QString& number);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

} // namespace tb::app
