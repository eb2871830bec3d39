#include "app/dialogwelcome.h"
#include "ui_dialogwelcome.h"

DialogWelcome::DialogWelcome(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogWelcome)
{
    ui->setupUi(this);
    // The text wraps; with a wider font than the form was laid out for, the
    // dialog grows rather than cut the text off.
    const int needed = layout()->heightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

DialogWelcome::~DialogWelcome()
{
    delete ui;
}

bool DialogWelcome::neverShowAgain() const
{
    return ui->never->isChecked();
}
