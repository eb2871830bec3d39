#include "app/dialogwelcome.h"
#include "ui_dialogwelcome.h"

DialogWelcome::DialogWelcome(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogWelcome)
{
    ui->setupUi(this);
}

DialogWelcome::~DialogWelcome()
{
    delete ui;
}

bool DialogWelcome::neverShowAgain() const
{
    return ui->never->isChecked();
}
