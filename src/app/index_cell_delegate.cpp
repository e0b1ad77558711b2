#include "app/index_cell_delegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tb::app {
namespace {

constexpr int kGap = 1; // between the cell's edge, the tick box and the number
// A number wider than its room is drawn in a smaller font, down to this share of the list's.
constexpr double kSmallestFontScale = 0.75;

const QStyle& styleOf(const QStyleOptionViewItem& option) {
    return option.widget != nullptr ? *option.widget->style() : *QApplication::style();
}

// The list's font, made smaller as far as needed (and allowed) for the text to fit the width.
QFont fittingFont(const QFont& font, const QString& text, int width) {
    const int natural = QFontMetrics(font).horizontalAdvance(text);
    if (natural <= width || natural == 0) {
        return font;
    }
    QFont smaller = font;
    const double scale = std::max(kSmallestFontScale, static_cast<double>(width) / natural);
    smaller.setPointSizeF(font.pointSizeF() * scale);
    while (QFontMetrics(smaller).horizontalAdvance(text) > width &&
           smaller.pointSizeF() > font.pointSizeF() * kSmallestFontScale) {
        smaller.setPointSizeF(smaller.pointSizeF() - 0.25);
    }
    return smaller;
}

bool isTickKey(const QEvent& event) {
    if (event.type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<const QKeyEvent&>(event).key();
    return key == Qt::Key_Space || key == Qt::Key_Select;
}

} // namespace

IndexCellDelegate::Layout IndexCellDelegate::layoutFor(const QStyleOptionViewItem& option) {
    const QStyle& style = styleOf(option);
    const int width = style.pixelMetric(QStyle::PM_IndicatorWidth, &option, option.widget);
    const int height = style.pixelMetric(QStyle::PM_IndicatorHeight, &option, option.widget);
    const QRect cell = option.rect;
    const QRect box(cell.left() + kGap, cell.top() + (cell.height() - height) / 2, width, height);
    const QRect number(box.right() + 1 + kGap, cell.top(), cell.right() - box.right() - kGap,
                       cell.height());
    return {box, number};
}

QFont IndexCellDelegate::numberFont(const QStyleOptionViewItem& option, const QString& number) {
    return fittingFont(option.font, number, layoutFor(option).number.width());
}

void IndexCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString number = cell.text;
    const Qt::CheckState state = cell.checkState;
    // The style draws the background, selection and focus; the box and number come after.
    cell.text.clear();
    cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    const QStyle& style = styleOf(cell);
    style.drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    const Layout layout = layoutFor(cell);
    QStyleOptionViewItem box = cell;
    box.rect = layout.checkBox;
    box.state = (box.state & ~QStyle::State_HasFocus) |
                (state == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    style.drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, cell.widget);

    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    painter->save();
    const QFont font = numberFont(cell, number);
    painter->setFont(font);
    painter->setPen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QString shown =
        QFontMetrics(font).elidedText(number, Qt::ElideLeft, layout.number.width());
    painter->drawText(layout.number, Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter->restore();
}

// Ticks and unticks on a click inside the box, on a double-click there, and with the space
// key, as the standard cell does, but over the box where this delegate draws it.
bool IndexCellDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!index.flags().testFlag(Qt::ItemIsUserCheckable)) {
        return false;
    }
    const auto type = event->type();
    const bool mouse = type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick ||
                       type == QEvent::MouseButtonPress;
    if (mouse) {
        const auto& click = static_cast<const QMouseEvent&>(*event);
        if (click.button() != Qt::LeftButton ||
            !layoutFor(option).checkBox.contains(click.position().toPoint())) {
            return false;
        }
        if (type != QEvent::MouseButtonRelease) {
            return true; // swallowed, so a double-click on the box does not open the row
        }
    } else if (!isTickKey(*event)) {
        return false;
    }
    const bool ticked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    return model->setData(index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace tb::app
