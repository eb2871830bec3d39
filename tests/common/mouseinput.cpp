#include "common/mouseinput.h"

#include <QCursor>
#include <QGraphicsView>
#include <QTest>
#include <QWindow>

void MouseInput::send(Action action, const QPoint &viewPos, Qt::MouseButton button,
    Qt::KeyboardModifiers modifiers) const
{
    QWidget *viewport = m_view->viewport();
    QWindow *window = m_view->window()->windowHandle();
    const QPoint inWindow = viewport->mapTo(m_view->window(), viewPos);
    // Items that follow a drag read the global cursor.
    QCursor::setPos(viewport->mapToGlobal(viewPos));
    switch (action) {
    case Move:
        QTest::mouseEvent(QTest::MouseMove, window, Qt::NoButton, modifiers, inWindow);
        break;
    case Press:
        QTest::mousePress(window, button, modifiers, inWindow);
        break;
    case Release:
        QTest::mouseRelease(window, button, modifiers, inWindow);
        break;
    }
}

void MouseInput::moveTo(const QPoint &viewPos, Qt::KeyboardModifiers modifiers) const
{
    send(Move, viewPos, Qt::NoButton, modifiers);
}

void MouseInput::press(
    const QPoint &viewPos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) const
{
    send(Press, viewPos, button, modifiers);
}

void MouseInput::release(
    const QPoint &viewPos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) const
{
    send(Release, viewPos, button, modifiers);
}

void MouseInput::click(const QPoint &viewPos, Qt::MouseButton button) const
{
    moveTo(viewPos);
    press(viewPos, button);
    release(viewPos, button);
}

void MouseInput::drag(const QPoint &from, const QPoint &to, Qt::KeyboardModifiers modifiers) const
{
    moveTo(from, modifiers);
    press(from, Qt::LeftButton, modifiers);
    const int steps = 5;
    for (int i = 1; i <= steps; ++i)
        moveTo(from + (to - from) * i / steps, modifiers);
    release(to, Qt::LeftButton, modifiers);
}
