#include "app/wrapping_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tb::app {

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    QRect captionRect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    captionRect.setRight(rect().right());
    painter.drawItemText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                         option.palette, isEnabled(), caption, QPalette::WindowText);
}

// The whole box, caption included, takes the click.
bool WrappingCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

} // namespace tb::app
