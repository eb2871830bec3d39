#include "view.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

View::View(QWidget *parent)
    : QGraphicsView(parent)
{
}

void View::mousePressEvent(QMouseEvent *event)
{
    emit mousePress(event);
    if (!event->isAccepted())
        QGraphicsView::mousePressEvent(event);
}

void View::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseRelease(event);
    if (!event->isAccepted())
        QGraphicsView::mouseReleaseEvent(event);
}

void View::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit mouseDoubleClick(event);
    if (!event->isAccepted())
        QGraphicsView::mouseDoubleClickEvent(event);
}

void View::mouseMoveEvent(QMouseEvent *event)
{
    // Hover feedback and rubber bands need every move, whatever the receiver did.
    emit mouseMove(event);
    QGraphicsView::mouseMoveEvent(event);
}

void View::wheelEvent(QWheelEvent *event)
{
    emit wheel(event);
    if (!event->isAccepted())
        QGraphicsView::wheelEvent(event);
}

void View::keyPressEvent(QKeyEvent *event)
{
    emit keyPress(event);
    if (!event->isAccepted())
        QGraphicsView::keyPressEvent(event);
}

void View::keyReleaseEvent(QKeyEvent *event)
{
    emit keyRelease(event);
    if (!event->isAccepted())
        QGraphicsView::keyReleaseEvent(event);
}

void View::focusInEvent(QFocusEvent *event)
{
    emit focusIn(event);
    if (!event->isAccepted())
        QGraphicsView::focusInEvent(event);
}

void View::focusOutEvent(QFocusEvent *event)
{
    emit focusOut(event);
    if (!event->isAccepted())
        QGraphicsView::focusOutEvent(event);
}

void View::enterEvent(QEvent *event)
{
    emit enter(event);
    if (!event->isAccepted())
        QWidget::enterEvent(event);
}

void View::leaveEvent(QEvent *event)
{
    emit leave(event);
    if (!event->isAccepted())
        QWidget::leaveEvent(event);
}
