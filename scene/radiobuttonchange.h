#pragma once

#include <QRadioButton>

// A radio button that remembers the state the program last committed and shows
// its text in bold while it is checked although the committed choice was not.
class RadioButtonChange : public QRadioButton
{
    Q_OBJECT
public:
    explicit RadioButtonChange(QWidget *parent = nullptr);

    bool committed;

    void commit();
    void setValueSilently(bool value);

signals:
    // Every change of the checked state while the button is visible.
    void uncomplete(bool value);

public slots:
    void on_valueChanged(bool value);
};
