#pragma once
// Dragging the player controls while the layout is being edited: a left press lifts the
// control above its siblings, the control follows the pointer, and the release drops it
// where the pointer left it. The pointer counts only inside the parent window, so a control
// can always be reached again. The press, moves and release are the drag's alone: a button
// or slider under it does not act on them.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <vector>

class QWidget;

namespace tb::app {

class PlayerControlDrag : public QObject {
    Q_OBJECT
public:
    // One draggable control: the widget that receives its mouse presses (a viewport for a
    // text box), and the control that moves.
    struct Handle {
        QWidget* pressTarget;
        QWidget* control;
    };

    // editing tells whether a press starts a drag; dropped runs after each release.
    PlayerControlDrag(const std::vector<Handle>& handles, std::function<bool()> editing,
                      std::function<void()> dropped, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* controlFor(QObject* pressTarget) const;
    bool start(QWidget* control, QPointF globalPointer);
    void follow(QPointF globalPointer);
    void drop(QPointF globalPointer);

    std::vector<Handle> m_handles;
    std::function<bool()> m_editing;
    std::function<void()> m_dropped;
    QPointer<QWidget> m_dragged;
    QPoint m_startPlace;
    QPoint m_startPointer;
};

} // namespace tb::app
