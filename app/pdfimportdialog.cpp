#include "app/pdfimportdialog.h"
#include "ui_pdfimportdialog.h"

#include "plan/pdfplan.h"

#include <QLocale>
#include <QPixmap>
#include <QPushButton>

PdfImportDialog::PdfImportDialog(const PdfPlan &pdf, QWidget *parent)
    : QDialog(parent)
    , pdf(pdf)
    , ui(new Ui::PdfImportDialog)
{
    ui->setupUi(this);
    ui->pageBox->setRange(1, qMax(1, pdf.pageCount()));
    ui->pageBox->setSuffix(QStringLiteral(" из %1").arg(pdf.pageCount()));
    ui->pageBox->setEnabled(pdf.pageCount() > 1);
    ui->scaleHint->setText(QStringLiteral("С масштабом чертежа план будет в метрах без "
                                          "калибровки; без него масштаб нужно обозначить."));
    connect(
        ui->pageBox, QOverload<int>::of(&QSpinBox::valueChanged), this, &PdfImportDialog::showPage);
    connect(
        ui->dpiBox, QOverload<int>::of(&QSpinBox::valueChanged), this, &PdfImportDialog::showSize);
    connect(ui->scaleEdit, &QLineEdit::textChanged, this, &PdfImportDialog::updateAcceptable);
    showPage();
}

PdfImportDialog::~PdfImportDialog()
{
    delete ui;
}

int PdfImportDialog::page() const
{
    return ui->pageBox->value();
}

int PdfImportDialog::dpi() const
{
    return ui->dpiBox->value();
}

double PdfImportDialog::drawingScale() const
{
    const QString text = ui->scaleEdit->text().trimmed();
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    return ok && value > 0 && qIsFinite(value) ? value : 0;
}

bool PdfImportDialog::isAcceptable() const
{
    const bool scaleOk = ui->scaleEdit->text().trimmed().isEmpty() || drawingScale() > 0;
    return scaleOk && PdfPlan::fitsCap(PdfPlan::renderedSize(pdf.pageSize(page()), dpi()));
}

void PdfImportDialog::showPage()
{
    const QImage preview = pdf.renderPreview(page(), ui->preview->minimumSize());
    ui->preview->setPixmap(QPixmap::fromImage(preview));
    showSize();
}

void PdfImportDialog::showSize()
{
    const QSize size = PdfPlan::renderedSize(pdf.pageSize(page()), dpi());
    if (PdfPlan::fitsCap(size)) {
        ui->sizeLabel->setStyleSheet(QString());
        ui->sizeLabel->setText(
            QStringLiteral("Изображение: %1 × %2 точек").arg(size.width()).arg(size.height()));
    } else {
        ui->sizeLabel->setStyleSheet(QStringLiteral("color: #b00000"));
        ui->sizeLabel->setText(QStringLiteral("Изображение %1 × %2 точек больше допустимого "
                                              "(256 МиБ); уменьшите разрешение.")
                                   .arg(size.width())
                                   .arg(size.height()));
    }
    updateAcceptable();
}

void PdfImportDialog::updateAcceptable()
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(isAcceptable());
}
