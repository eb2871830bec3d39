#pragma once

#include <QDialog>

namespace Ui {
class DialogWelcome;
}

// The notice shown once the main window is up, until the user ticks "Больше не показывать".
class DialogWelcome : public QDialog
{
    Q_OBJECT

public:
    explicit DialogWelcome(QWidget *parent);
    ~DialogWelcome() override;

    // The state of the check box against showing the notice again.
    bool neverShowAgain() const;

private:
    Ui::DialogWelcome *ui;
};
