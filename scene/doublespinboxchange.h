#pragma once

#include <QDoubleSpinBox>

// A spin box of fractional values that remembers the value the program last committed, shows its
// text in bold while the user's value differs from it, reverts on Escape and
// ignores the mouse wheel.
class DoubleSpinBoxChange : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit DoubleSpinBoxChange(QWidget *parent = nullptr);

    double committed;

    void commit();
    void setValueSilently(double value);

signals:
    // Return, Enter or leaving the field finished an edit that is not committed.
    void uncomplete(double value);

public slots:
    void on_valueChanged(double value);

protected:
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
