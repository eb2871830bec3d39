#include "io/dialogprint.h"

#include "ui_dialogprint.h"

#include <QPrinter>

DialogPrint::DialogPrint(QPrinter *printer, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogPrint)
    , printer(printer)
{
    ui->setupUi(this);
    printer->setOutputFormat(QPrinter::PdfFormat);

    pageSizes = { QPageSize(QPageSize::A4), QPageSize(QPageSize::A3), QPageSize(QPageSize::A2),
        QPageSize(QPageSize::A1) };
    // The first item becomes current as it is added, which puts the printer back to A4.
    for (const QPageSize &size : qAsConst(pageSizes))
        ui->paperSize->addItem(size.name());

    if (printer->pageLayout().orientation() == QPageLayout::Landscape)
        ui->orientationLandscape->setChecked(true);
    else
        ui->orientationPortrait->setChecked(true);

    resize(minimumSizeHint());
}

DialogPrint::~DialogPrint()
{
    delete ui;
}

bool DialogPrint::coverageMap() const
{
    return ui->coverageMap->isEnabled() && ui->coverageMap->isChecked();
}

void DialogPrint::setCoverageMap(bool on)
{
    ui->coverageMap->setChecked(on);
}

void DialogPrint::setCoverageMapAvailable(bool available)
{
    ui->coverageMap->setEnabled(available);
}

void DialogPrint::on_print_clicked()
{
    if (ui->paperSize->currentIndex() >= 0)
        accept();
}

void DialogPrint::on_close_clicked()
{
    reject();
}

void DialogPrint::on_orientationLandscape_clicked(bool checked)
{
    printer->setPageOrientation(checked ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void DialogPrint::on_orientationPortrait_clicked(bool checked)
{
    printer->setPageOrientation(checked ? QPageLayout::Portrait : QPageLayout::Landscape);
}

void DialogPrint::on_paperSize_currentIndexChanged(int index)
{
    if (index >= 0 && index < pageSizes.size())
        printer->setPageSize(pageSizes.at(index));
}
