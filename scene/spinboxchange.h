#pragma once

#include <QSpinBox>

// A spin box that remembers the value the program last committed, shows its
// text in bold while the user's value differs from it, reverts on Escape and
// ignores the mouse wheel.
class SpinBoxChange : public QSpinBox
{
    Q_OBJECT
public:
    explicit SpinBoxChange(QWidget *parent = nullptr);

    int committed;

    void commit();
    void setValueSilently(int value);

signals:
    // Return, Enter or leaving the field finished an edit that is not committed.
    void uncomplete(int value);

public slots:
    void on_valueChanged(int value);

protected:
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
