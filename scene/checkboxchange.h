#pragma once

#include <QCheckBox>

// A check box that remembers the state the program last committed and shows
// its text in bold while the user's state differs from it.
class CheckBoxChange : public QCheckBox
{
    Q_OBJECT
public:
    explicit CheckBoxChange(QWidget *parent = nullptr);

    bool committed;

    void commit();
    void setValueSilently(bool value);

signals:
    // Every change of the checked state while the box is visible.
    void uncomplete(bool value);

public slots:
    void on_valueChanged(bool value);
};
