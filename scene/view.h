#pragma once

#include <QGraphicsView>

// The plan view. Every input event is first reported as a signal; a receiver
// that consumed it leaves it accepted, one that wants the view's own handling
// clears the accepted flag. Mouse moves always reach the view as well.
class View : public QGraphicsView
{
    Q_OBJECT
public:
    explicit View(QWidget *parent = nullptr);

signals:
    void focusIn(QFocusEvent *event);
    void focusOut(QFocusEvent *event);
    void keyPress(QKeyEvent *event);
    void keyRelease(QKeyEvent *event);
    void mouseDoubleClick(QMouseEvent *event);
    void mousePress(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);
    void wheel(QWheelEvent *event);
    void enter(QEvent *event);
    void leave(QEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
