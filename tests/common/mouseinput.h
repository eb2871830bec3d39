#pragma once

#include <QPoint>
#include <Qt>

class QGraphicsView;

// Mouse input to a shown graphics view at viewport pixels. It goes through the
// window system, so button state, modifiers and the cursor position are what
// the items see in the program.
class MouseInput
{
public:
    explicit MouseInput(QGraphicsView *view)
        : m_view(view)
    {
    }

    void moveTo(const QPoint &viewPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    void press(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    void release(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
    void click(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton) const;
    // Press, move in steps and release with the left button.
    void drag(const QPoint &from, const QPoint &to,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;

private:
    enum Action
    {
        Move,
        Press,
        Release
    };
    void send(Action action, const QPoint &viewPos, Qt::MouseButton button,
        Qt::KeyboardModifiers modifiers) const;

    QGraphicsView *m_view;
};
