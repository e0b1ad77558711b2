#include "app/wrapping_check_box.h"

#include <QEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tb::app {
namespace {

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
// Room around the square and the text for the focus frame the style draws there.
constexpr int kFocusMargin = 2;

QRect withMargin(const QRect& rect) {
    return rect.adjusted(-kFocusMargin, -kFocusMargin, kFocusMargin, kFocusMargin);
}

} // namespace

// From where the style puts the caption to the box's right edge.
QRect WrappingCheckBox::captionRect(const QStyleOptionButton& option) const {
    QRect caption = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    caption.setRight(rect().right());
    return caption;
}

QRegion WrappingCheckBox::clickArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    const QRect square = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const QRect caption = fontMetrics().boundingRect(captionRect(option), kCaptionFlags, text());
    return (QRegion(withMargin(square)) | QRegion(withMargin(caption))).intersected(rect());
}

bool WrappingCheckBox::event(QEvent* event) {
    const bool handled = QCheckBox::event(event);
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::Resize:
        // The mask is where events reach this box; elsewhere they go to what lies below.
        setMask(clickArea());
        break;
    default:
        break;
    }
    return handled;
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    painter.drawItemText(captionRect(option), kCaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::WindowText);
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const {
    return clickArea().contains(pos);
}

} // namespace tb::app
