#include "app/player_control_drag.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace tb::app {
namespace {

bool isLeftButtonEvent(const QEvent& event) {
    return static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
}

QPointF globalPointer(const QEvent& event) {
    return static_cast<const QMouseEvent&>(event).globalPosition();
}

} // namespace

PlayerControlDrag::PlayerControlDrag(const std::vector<Handle>& handles,
                                     std::function<bool()> editing, std::function<void()> dropped,
                                     QObject* parent)
    : QObject(parent), m_handles(handles), m_editing(std::move(editing)),
      m_dropped(std::move(dropped)) {
    for (const Handle& handle : m_handles) {
        handle.pressTarget->installEventFilter(this);
    }
}

QWidget* PlayerControlDrag::controlFor(QObject* pressTarget) const {
    const auto found =
        std::find_if(m_handles.begin(), m_handles.end(),
                     [pressTarget](const Handle& h) { return h.pressTarget == pressTarget; });
    return found == m_handles.end() ? nullptr : found->control;
}

bool PlayerControlDrag::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (isLeftButtonEvent(*event)) {
            return start(controlFor(watched), globalPointer(*event));
        }
        return m_dragged != nullptr; // other buttons wait for the drop
    case QEvent::MouseMove:
        if (m_dragged != nullptr) {
            follow(globalPointer(*event));
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m_dragged != nullptr) {
            if (isLeftButtonEvent(*event)) {
                drop(globalPointer(*event));
            }
            return true;
        }
        return false;
    default:
        return QObject::eventFilter(watched, event);
    }
}

bool PlayerControlDrag::start(QWidget* control, QPointF pointer) {
    if (control == nullptr || !m_editing()) {
        return false;
    }
    control->raise();
    m_dragged = control;
    m_startPlace = control->pos();
    m_startPointer = pointer.toPoint();
    return true;
}

// The control keeps its offset to the pointer; the pointer is held inside the parent.
void PlayerControlDrag::follow(QPointF pointer) {
    const QWidget* parent = m_dragged->parentWidget();
    QPoint at = pointer.toPoint();
    if (parent != nullptr) {
        const QRect area(parent->mapToGlobal(QPoint(0, 0)), parent->size());
        at.setX(std::clamp(at.x(), area.left(), area.right()));
        at.setY(std::clamp(at.y(), area.top(), area.bottom()));
    }
    m_dragged->move(m_startPlace + (at - m_startPointer));
}

void PlayerControlDrag::drop(QPointF pointer) {
    follow(pointer);
    m_dragged = nullptr;
    m_dropped();
}

} // namespace tb::app
