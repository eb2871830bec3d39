#pragma once

#include <QComboBox>

// A combo box that remembers the index the program last committed, shows its
// text in bold while the user's choice differs from it, reverts on Escape and
// ignores the mouse wheel.
class ComboBoxChange : public QComboBox
{
    Q_OBJECT
public:
    explicit ComboBoxChange(QWidget *parent = nullptr);

    int committed;

    void commit();
    void setValueSilently(int value);

signals:
    // Return, Enter or leaving the field finished a choice that is not committed.
    void uncomplete(int value);

public slots:
    void on_valueChanged(int value);

protected:
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
